#include "runtime/sqlite_fixture.h"

#include <sqlite3.h>

#include <fstream>

namespace vellaro {

std::string ExecSql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string message;
  if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      message = error != nullptr ? error : "failed";
    }
    sqlite3_free(error);
  } else {
    message = sqlite3_errmsg(db);
  }
  sqlite3_close(db);
  return message;
}

void CorruptPage(const std::string& path, int page) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(page - 1) * 4096);
  std::string garbage(4096, '\xEE');
  file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

LockHolder::LockHolder(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) return;
  held_ = sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) ==
          SQLITE_OK;
}

LockHolder::~LockHolder() {
  Release();
  sqlite3_close(db_);
}

void LockHolder::Release() {
  if (held_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  held_ = false;
}

}  // namespace vellaro
