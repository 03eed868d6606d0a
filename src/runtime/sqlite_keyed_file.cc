#include "runtime/sqlite_keyed_file.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <optional>
#include <span>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/text.h"

namespace vellaro {
namespace {

// How long Create, BuildKeys, Add and the reads of an open file wait for
// another writer to finish before they give up: writers hold their locks
// only for a moment. (Only Open reports a lock at once, unless "Recover"
// asks it to wait.)
constexpr int kWriteWaitMs = 2000;

// The longest wait a "Recover" command can ask for.
constexpr int kMaxRecoverSeconds = 3600;

// A larger page cache while QUICKSCAN is on (in KiB, as SQLite's negative
// cache_size takes it). Memory-mapped reading would read ahead too, but a
// process that truncates the file under the map would crash this one.
constexpr long long kQuickScanCacheKiB = 8 * 1024;
constexpr long long kDefaultCacheKiB = 2000;

struct ResultCode {
  int sqlite;
  int code;
};

// The one place where SQLite's result codes become runtime error codes;
// every other result is a kFileSystemError that carries SQLite's message.
constexpr ResultCode kResultCodes[] = {
    {SQLITE_BUSY, kFileIsLocked},      {SQLITE_LOCKED, kFileIsLocked},
    {SQLITE_NOTADB, kInvalidDataFile}, {SQLITE_CORRUPT, kInvalidDataFile},
    {SQLITE_READONLY, kAccessDenied},  {SQLITE_PERM, kAccessDenied},
    {SQLITE_AUTH, kAccessDenied},      {SQLITE_NOMEM, kInsufficientMemory},
};

int CodeFromSqlite(int rc) {
  int primary = rc & 0xff;
  for (const ResultCode& entry : kResultCodes) {
    if (entry.sqlite == primary) return entry.code;
  }
  return kFileSystemError;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// `id` as an SQL identifier, safe whatever characters it holds.
std::string Quoted(std::string_view id) {
  std::string out = "\"";
  for (char c : id) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

// `text` as an SQL string literal.
std::string Literal(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

const char* SqlType(FieldType type) {
  return type == FieldType::kLong ? "INTEGER" : "TEXT";
}

// `text` cut to at most `width` bytes, never inside a UTF-8 character.
std::string CutToWidth(std::string_view text, std::size_t width) {
  if (text.size() <= width) return std::string(text);
  std::size_t end = width;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
    --end;
  }
  return std::string(text.substr(0, end));
}

struct CloseConnection {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, CloseConnection>;

struct FinalizeStatement {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// The rows of one query, every column as text (NULL reads as empty).
using Rows = std::vector<std::vector<std::string>>;

int Query(sqlite3* db, const std::string& sql, Rows* rows) {
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
  Statement stmt(raw);
  if (rc != SQLITE_OK) return rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    std::vector<std::string>& row = rows->emplace_back();
    for (int i = 0; i < sqlite3_column_count(stmt.get()); ++i) {
      const unsigned char* text = sqlite3_column_text(stmt.get(), i);
      row.emplace_back(text == nullptr ? ""
                                       : reinterpret_cast<const char*>(text));
    }
  }
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

class SqliteKeyedFile final : public KeyedFile {
 public:
  SqliteKeyedFile(std::string name, std::string path, RecordLayout layout)
      : name_(std::move(name)),
        path_(std::move(path)),
        layout_(std::move(layout)) {}
  ~SqliteKeyedFile() override {
    if (db_ != nullptr) Close();
  }

  int Open(Access access) override {
    // A file this driver has just created may still be in the hands of
    // another program that found it missing at the same moment and is
    // creating it too: its first open waits for that writer as long as
    // Create would.
    const int wait_ms =
        std::max(recover_seconds_ * 1000, just_created_ ? kWriteWaitMs : 0);
    recover_seconds_ = 0;  // the command holds for one open only
    just_created_ = false;
    if (db_ != nullptr) return Fail(kFileAlreadyOpen);
    if (!FileExists()) return Fail(kFileNotFound);
    if (access == Access::kReadWrite && !PathAccess(SQLITE_ACCESS_READWRITE)) {
      return Fail(kAccessDenied);
    }
    Connection db;
    int flags = access == Access::kReadWrite ? SQLITE_OPEN_READWRITE
                                             : SQLITE_OPEN_READONLY;
    if (int code = Connect(flags, &db); code != kOk) return code;
    if (access == Access::kReadWrite && sqlite3_db_readonly(db.get(), "main")) {
      return Fail(kAccessDenied);
    }
    sqlite3_busy_timeout(db.get(), wait_ms);
    if (int code = CheckTable(db.get()); code != kOk) return code;
    if (int code = CheckKeys(db.get()); code != kOk) return code;
    sqlite3_busy_timeout(db.get(), kWriteWaitMs);  // for what follows
    db_ = db.release();
    ApplyQuickScan();
    return Succeed();
  }

  int Create() override {
    if (db_ != nullptr) return Fail(kFileAlreadyOpen);
    Connection db;
    if (int code = Connect(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &db);
        code != kOk) {
      return code;
    }
    sqlite3_busy_timeout(db.get(), kWriteWaitMs);
    std::string sql = "BEGIN IMMEDIATE; CREATE TABLE IF NOT EXISTS main." +
                      Quoted(layout_.table) + " (" + ColumnDefinitions() + ");";
    for (const KeySpec& key : layout_.keys) {
      sql += "CREATE INDEX IF NOT EXISTS " + IndexDefinition(key) + ";";
    }
    sql += "COMMIT;";
    if (int code = Write(db.get(), sql); code != kOk) return code;
    int rc = sqlite3_close(db.release());
    if (rc != SQLITE_OK) return FailSqlite(rc, nullptr);
    just_created_ = true;
    return Succeed();
  }

  std::string SendCommand(std::string_view command) override {
    std::size_t equals = command.find('=');
    if (equals == std::string_view::npos) return std::string();
    std::string_view name = Trimmed(command.substr(0, equals));
    std::string_view value = Trimmed(command.substr(equals + 1));
    if (SameName(name, "Recover")) {
      int seconds = 0;
      auto [end, ec] =
          std::from_chars(value.data(), value.data() + value.size(), seconds);
      if (ec == std::errc() && end == value.data() + value.size() &&
          seconds >= 0) {
        recover_seconds_ = std::min(seconds, kMaxRecoverSeconds);
      }
      return Decimal(recover_seconds_);
    }
    if (SameName(name, "QUICKSCAN")) {
      if (SameName(value, "on")) quick_scan_ = true;
      if (SameName(value, "off")) quick_scan_ = false;
      ApplyQuickScan();
      return quick_scan_ ? "on" : "off";
    }
    return std::string();
  }

  int BuildKeys() override {
    Connection own;
    sqlite3* db = db_;
    if (db == nullptr) {
      if (!FileExists()) return Fail(kFileNotFound);
      if (!PathAccess(SQLITE_ACCESS_READWRITE)) return Fail(kAccessDenied);
      if (int code = Connect(SQLITE_OPEN_READWRITE, &own); code != kOk) {
        return code;
      }
      db = own.get();
    } else {
      CloseView();  // its reading would hold the table
    }
    sqlite3_busy_timeout(db, kWriteWaitMs);
    int code = CheckTable(db);
    if (code == kOk) {
      std::string sql = "BEGIN IMMEDIATE;";
      for (const KeySpec& key : layout_.keys) {
        sql += "DROP INDEX IF EXISTS main." + Quoted(key.name) +
               "; CREATE INDEX " + IndexDefinition(key) + ";";
      }
      sql += "COMMIT;";
      code = Write(db, sql);
    }
    return code == kOk ? Succeed() : code;
  }

  std::string Name() const override { return name_; }

  int Size(std::int64_t* bytes) override {
    *bytes = 0;
    if (db_ == nullptr) return Fail(kFileNotOpen);
    sqlite3_file* file = nullptr;
    int rc =
        sqlite3_file_control(db_, "main", SQLITE_FCNTL_FILE_POINTER, &file);
    if (rc != SQLITE_OK) return FailSqlite(rc, db_);
    if (file == nullptr || file->pMethods == nullptr) {
      return FailSqlite(SQLITE_CANTOPEN, nullptr);
    }
    sqlite3_int64 size = 0;
    rc = file->pMethods->xFileSize(file, &size);
    if (rc != SQLITE_OK) return FailSqlite(rc, nullptr);
    *bytes = size;
    return Succeed();
  }

  int Close() override {
    if (db_ == nullptr) return Fail(kFileNotOpen);
    CloseView();
    int rc = sqlite3_close(db_);
    if (rc != SQLITE_OK) {
      int code = FailSqlite(rc, db_);
      sqlite3_close_v2(db_);  // the handle is released either way
      db_ = nullptr;
      return code;
    }
    db_ = nullptr;
    return Succeed();
  }

  int SetRecordOrder() override {
    if (db_ == nullptr) return Fail(kFileNotOpen);
    if (view_ != nullptr) {
      sqlite3_reset(view_.get());
      view_end_.reset();
    }
    return Succeed();
  }

  int OpenView() override {
    if (db_ == nullptr) return Fail(kFileNotOpen);
    CloseView();
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, ViewSql().c_str(), -1, &raw, nullptr);
    if (rc != SQLITE_OK) return FailSqlite(rc, db_);
    view_.reset(raw);
    return Succeed();
  }

  int Next(Record* record) override {
    if (view_ == nullptr) return Fail(kFileNotOpen);
    if (view_end_) {
      error_ = *view_end_;
      return error_.code;
    }
    int rc = sqlite3_step(view_.get());
    if (rc == SQLITE_ROW) {
      ReadRecord(record);
      return Succeed();
    }
    // The end, or a failure: either way the view is over. Resetting it
    // would start it again from the first record, so every later call
    // reports the same outcome instead.
    int code =
        rc == SQLITE_DONE ? Fail(kRecordNotAvailable) : FailSqlite(rc, db_);
    sqlite3_reset(view_.get());  // releases the read lock
    view_end_ = error_;
    return code;
  }

  void CloseView() override {
    view_.reset();
    view_end_.reset();
  }

  int Add(std::span<const Record> records) override {
    if (db_ == nullptr) return Fail(kFileNotOpen);
    for (const Record& record : records) {
      if (!MatchesLayout(record)) return Fail(kInvalidRecordDeclaration);
    }
    int code = Write(db_, "BEGIN IMMEDIATE");
    if (code == kOk) code = InsertAll(records);
    if (code == kOk) code = Write(db_, "COMMIT");
    return code == kOk ? Succeed() : code;
  }

  std::size_t RecordSize() const override { return layout_.RecordSize(); }

  const ErrorState& LastError() const override { return error_; }

 private:
  int Succeed() {
    error_ = ErrorState();
    return kOk;
  }

  int Fail(int code) {
    error_ = ErrorState{code, std::string(), std::string()};
    return code;
  }

  // Records SQLite's result `rc`, with the connection's message when there
  // is one, and returns the runtime's code for it.
  int FailSqlite(int rc, sqlite3* db) {
    const char* message = db != nullptr ? sqlite3_errmsg(db) : nullptr;
    if (message == nullptr) message = sqlite3_errstr(rc);
    error_ = ErrorState{CodeFromSqlite(rc), message, Decimal(rc & 0xff)};
    return error_.code;
  }

  static std::string_view Trimmed(std::string_view text) {
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) return std::string_view();
    return Clip(text.substr(start));
  }

  // Whether there is something at the path: a file of zero bytes does not
  // count, as for SQLite. SQLite's Windows layer reports a folder as missing
  // too (it takes the folder's size, 0, for an empty file); a folder is
  // there all the same, and opening it fails.
  bool FileExists() const {
    if (PathAccess(SQLITE_ACCESS_EXISTS)) return true;
    std::error_code ignored;
    return PathAccess(SQLITE_ACCESS_READ) &&
           std::filesystem::is_directory(
               std::filesystem::path(std::u8string(path_.begin(), path_.end())),
               ignored);
  }

  // Asks SQLite's OS layer about the file: SQLITE_ACCESS_EXISTS (a file of
  // zero bytes does not count), SQLITE_ACCESS_READ or
  // SQLITE_ACCESS_READWRITE.
  bool PathAccess(int what) const {
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    int result = 0;
    if (vfs == nullptr ||
        vfs->xAccess(vfs, path_.c_str(), what, &result) != SQLITE_OK) {
      return false;
    }
    return result != 0;
  }

  int Connect(int flags, Connection* db) {
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path_.c_str(), &raw, flags, nullptr);
    db->reset(raw);
    return rc == SQLITE_OK ? kOk : FailSqlite(rc, raw);
  }

  // Runs `sql` as one write transaction; on a failure rolls it back and
  // returns the failure's code.
  int Write(sqlite3* db, const std::string& sql) {
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return kOk;
    int code = FailSqlite(rc, db);
    if (!sqlite3_get_autocommit(db)) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    return code;
  }

  // A failed look at the file's schema: kInvalidRecordDeclaration when the
  // query itself is what SQLite refuses, otherwise the failure's own code.
  int FailSchema(int rc, sqlite3* db) {
    int code = FailSqlite(rc, db);
    if (code != kFileSystemError) return code;
    return Fail(kInvalidRecordDeclaration);
  }

  // kOk when the record table exists with exactly the layout's fields.
  int CheckTable(sqlite3* db) {
    Rows tables;
    int rc = Query(db,
                   "SELECT name FROM main.sqlite_master WHERE type = 'table' "
                   "AND name = " +
                       Literal(layout_.table) + " COLLATE NOCASE",
                   &tables);
    if (rc != SQLITE_OK) return FailSqlite(rc, db);
    if (tables.empty()) return Fail(kInvalidRecordDeclaration);
    Rows columns;  // cid, name, type, notnull, dflt_value, pk
    rc = Query(db, "PRAGMA main.table_info(" + Quoted(layout_.table) + ")",
               &columns);
    if (rc != SQLITE_OK) return FailSqlite(rc, db);
    if (columns.size() != layout_.fields.size()) {
      return Fail(kInvalidRecordDeclaration);
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const FieldSpec& field = layout_.fields[i];
      if (!SameName(columns[i][1], field.name) ||
          !SameName(columns[i][2], SqlType(field.type))) {
        return Fail(kInvalidRecordDeclaration);
      }
    }
    // A table without row order (WITHOUT ROWID) cannot be read in record
    // order; preparing the view's query finds out.
    sqlite3_stmt* raw = nullptr;
    rc = sqlite3_prepare_v2(db, ViewSql().c_str(), -1, &raw, nullptr);
    Statement view(raw);
    return rc == SQLITE_OK ? kOk : FailSchema(rc, db);
  }

  // kOk when every key of the layout is an index of its name over its
  // fields, in order, ascending, with binary comparison, duplicates allowed
  // and no condition.
  int CheckKeys(sqlite3* db) {
    Rows indexes;  // seq, name, unique, origin, partial
    int rc = Query(db, "PRAGMA main.index_list(" + Quoted(layout_.table) + ")",
                   &indexes);
    if (rc != SQLITE_OK) return FailSqlite(rc, db);
    for (const KeySpec& key : layout_.keys) {
      auto index = std::find_if(indexes.begin(), indexes.end(),
                                [&](const std::vector<std::string>& row) {
                                  return SameName(row[1], key.name);
                                });
      if (index == indexes.end() || (*index)[2] != "0" || (*index)[4] != "0") {
        return Fail(kKeyFileMustBeRebuilt);
      }
      Rows columns;  // seqno, cid, name, desc, coll, key
      rc = Query(db, "PRAGMA main.index_xinfo(" + Quoted(key.name) + ")",
                 &columns);
      if (rc != SQLITE_OK) return FailSqlite(rc, db);
      std::vector<const std::vector<std::string>*> key_columns;
      for (const auto& column : columns) {
        if (column[5] == "1") key_columns.push_back(&column);
      }
      if (key_columns.size() != key.fields.size()) {
        return Fail(kKeyFileMustBeRebuilt);
      }
      for (std::size_t i = 0; i < key_columns.size(); ++i) {
        const std::vector<std::string>& column = *key_columns[i];
        if (!SameName(column[2], key.fields[i]) || column[3] != "0" ||
            !SameName(column[4], "BINARY")) {
          return Fail(kKeyFileMustBeRebuilt);
        }
      }
    }
    return kOk;
  }

  std::string ColumnDefinitions() const {
    std::string sql;
    for (const FieldSpec& field : layout_.fields) {
      if (!sql.empty()) sql += ", ";
      sql += Quoted(field.name) + " " + SqlType(field.type) + " NOT NULL " +
             (field.type == FieldType::kLong ? "DEFAULT 0" : "DEFAULT ''");
    }
    return sql;
  }

  // "name ON table (fields)", the body of a CREATE INDEX for `key`.
  std::string IndexDefinition(const KeySpec& key) const {
    std::string fields;
    for (const std::string& field : key.fields) {
      if (!fields.empty()) fields += ", ";
      fields += Quoted(field);
    }
    return "main." + Quoted(key.name) + " ON " + Quoted(layout_.table) + " (" +
           fields + ")";
  }

  std::string ViewSql() const {
    std::string columns;
    for (const FieldSpec& field : layout_.fields) {
      if (!columns.empty()) columns += ", ";
      columns += Quoted(field.name);
    }
    return "SELECT " + columns + " FROM main." + Quoted(layout_.table) +
           " ORDER BY rowid";
  }

  // Inserts `records` inside the open transaction; on a failure rolls it
  // back.
  int InsertAll(std::span<const Record> records) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, InsertSql().c_str(), -1, &raw, nullptr);
    Statement insert(raw);
    for (std::size_t r = 0; rc == SQLITE_OK && r < records.size(); ++r) {
      const Record& record = records[r];
      for (std::size_t i = 0; i < record.size(); ++i) {
        int column = static_cast<int>(i) + 1;
        if (const auto* number = std::get_if<std::int32_t>(&record[i])) {
          sqlite3_bind_int(insert.get(), column, *number);
          continue;
        }
        std::string text = CutToWidth(std::get<std::string>(record[i]),
                                      layout_.fields[i].width);
        sqlite3_bind_text(insert.get(), column, text.data(),
                          static_cast<int>(text.size()), SQLITE_TRANSIENT);
      }
      rc = sqlite3_step(insert.get());
      if (rc == SQLITE_DONE) rc = sqlite3_reset(insert.get());
    }
    if (rc == SQLITE_OK) return kOk;
    int code = FailSqlite(rc, db_);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return code;
  }

  std::string InsertSql() const {
    std::string columns;
    std::string values;
    for (const FieldSpec& field : layout_.fields) {
      if (!columns.empty()) {
        columns += ", ";
        values += ", ";
      }
      columns += Quoted(field.name);
      values += "?";
    }
    return "INSERT INTO main." + Quoted(layout_.table) + " (" + columns +
           ") VALUES (" + values + ")";
  }

  // True when `record` holds one value per field, each of the field's kind.
  bool MatchesLayout(const Record& record) const {
    if (record.size() != layout_.fields.size()) return false;
    for (std::size_t i = 0; i < record.size(); ++i) {
      bool is_number = std::holds_alternative<std::int32_t>(record[i]);
      if (is_number != (layout_.fields[i].type == FieldType::kLong)) {
        return false;
      }
    }
    return true;
  }

  void ReadRecord(Record* record) {
    record->clear();
    for (std::size_t i = 0; i < layout_.fields.size(); ++i) {
      const FieldSpec& field = layout_.fields[i];
      int column = static_cast<int>(i);
      if (field.type == FieldType::kLong) {
        record->emplace_back(
            static_cast<std::int32_t>(sqlite3_column_int(view_.get(), column)));
        continue;
      }
      const unsigned char* text = sqlite3_column_text(view_.get(), column);
      record->emplace_back(
          CutToWidth(text == nullptr ? "" : reinterpret_cast<const char*>(text),
                     field.width));
    }
  }

  void ApplyQuickScan() {
    if (db_ == nullptr) return;
    std::string sql =
        "PRAGMA main.cache_size = -" +
        Decimal(quick_scan_ ? kQuickScanCacheKiB : kDefaultCacheKiB);
    sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  }

  const std::string name_;
  const std::string path_;
  const RecordLayout layout_;
  sqlite3* db_ = nullptr;
  Statement view_;
  std::optional<ErrorState> view_end_;  // set once the view is over
  int recover_seconds_ = 0;
  bool just_created_ = false;  // by Create, until the next Open
  bool quick_scan_ = false;
  ErrorState error_;
};

}  // namespace

std::unique_ptr<KeyedFile> NewSqliteKeyedFile(std::string name,
                                              std::string path,
                                              RecordLayout layout) {
  return std::make_unique<SqliteKeyedFile>(std::move(name), std::move(path),
                                           std::move(layout));
}

}  // namespace vellaro
