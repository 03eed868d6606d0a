// Test helpers that make and change SQLite data files directly, the way
// another program sharing the file would.

#ifndef VELLARO_RUNTIME_SQLITE_FIXTURE_H_
#define VELLARO_RUNTIME_SQLITE_FIXTURE_H_

#include <string>

struct sqlite3;

namespace vellaro {

// Runs `sql` on the database at `path` (created when missing); a failure
// is returned as SQLite's message, success as an empty text.
std::string ExecSql(const std::string& path, const std::string& sql);

// Overwrites page `page` (1-based, 4096-byte pages) of the file at `path`
// with bytes that no SQLite page starts with.
void CorruptPage(const std::string& path, int page);

// Holds an exclusive lock on the database at `path` through a connection of
// its own, as another program writing it would, until Release or
// destruction.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path);
  ~LockHolder();
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;

  // True when the lock was taken.
  bool held() const { return held_; }
  void Release();

 private:
  sqlite3* db_ = nullptr;
  bool held_ = false;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_SQLITE_FIXTURE_H_
