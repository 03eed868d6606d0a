// The SQLite keyed-file driver against real database files in a temporary
// folder, changed behind its back the way other programs would.

#include "runtime/sqlite_keyed_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/sqlite_fixture.h"

namespace vellaro {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

RecordLayout GoodsLikeLayout() {
  return RecordLayout{
      "goods",
      {{"cus_id", FieldType::kLong, 4}, {"goods", FieldType::kString, 20}},
      {{"by_id_goods", {"cus_id", "goods"}}}};
}

constexpr char kPlainTable[] =
    "CREATE TABLE goods (cus_id INTEGER, goods TEXT);";

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

class SqliteKeyedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vellaro_keyed_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/GOODS.db";
    file_ = NewSqliteKeyedFile("GOODS.db", path_, GoodsLikeLayout());
  }
  void TearDown() override {
    file_.reset();
    fs::remove_all(dir_);
  }

  void Sql(const std::string& sql) { ASSERT_EQ(ExecSql(path_, sql), ""); }

  std::vector<std::string> FilesInFolder() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // Every record of the open file, read through a fresh view.
  std::vector<Record> ReadAll() {
    std::vector<Record> records;
    EXPECT_EQ(file_->SetRecordOrder(), kOk);
    EXPECT_EQ(file_->OpenView(), kOk);
    Record record;
    int code;
    while ((code = file_->Next(&record)) == kOk) records.push_back(record);
    EXPECT_EQ(code, kRecordNotAvailable);
    return records;
  }

  std::string dir_;
  std::string path_;
  std::unique_ptr<KeyedFile> file_;
};

TEST_F(SqliteKeyedFileTest, CreatedFileOpensEmptyAndLeavesNothingBeside) {
  EXPECT_EQ(file_->Open(Access::kReadWrite), kFileNotFound);
  ASSERT_EQ(file_->Create(), kOk);
  ASSERT_EQ(file_->Open(Access::kReadWrite), kOk);
  EXPECT_EQ(file_->Name(), "GOODS.db");

  std::int64_t size = 0;
  ASSERT_EQ(file_->Size(&size), kOk);
  EXPECT_EQ(size, static_cast<std::int64_t>(fs::file_size(path_)));
  EXPECT_GT(size, 0);

  EXPECT_TRUE(ReadAll().empty());
  Record record;
  EXPECT_EQ(file_->Next(&record), kRecordNotAvailable);  // and stays there

  EXPECT_EQ(file_->Open(Access::kReadWrite), kFileAlreadyOpen);
  EXPECT_EQ(file_->LastError().code, kFileAlreadyOpen);
  EXPECT_TRUE(ReadAll().empty()) << "a second open leaves the file open";
  EXPECT_EQ(file_->Close(), kOk);
  EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"GOODS.db"});
}

TEST_F(SqliteKeyedFileTest, ZeroByteFileCountsAsMissingAndCreateFillsIt) {
  std::ofstream(path_).close();
  EXPECT_EQ(file_->Open(Access::kReadWrite), kFileNotFound);
  ASSERT_EQ(file_->Create(), kOk);
  EXPECT_EQ(file_->Open(Access::kReadWrite), kOk);
}

TEST_F(SqliteKeyedFileTest, CreateKeepsTheRecordsOfAnExistingFile) {
  ASSERT_EQ(file_->Create(), kOk);
  Sql("INSERT INTO goods VALUES (7, 'kept');");
  ASSERT_EQ(file_->Create(), kOk);
  ASSERT_EQ(file_->Open(Access::kRead), kOk);
  EXPECT_EQ(ReadAll().size(), 1u);
}

TEST_F(SqliteKeyedFileTest, RecordsComeInInsertionOrderCutToTheirFields) {
  ASSERT_EQ(file_->Create(), kOk);
  std::string eacute = "\xC3\xA9";
  std::string ten_eacutes;
  for (int i = 0; i < 10; ++i) ten_eacutes += eacute;
  Sql("INSERT INTO goods VALUES (3, 'third key, first in');"
      "INSERT INTO goods VALUES (-1, 'a description longer than twenty');"
      "INSERT INTO goods VALUES (2, 'a" +
      ten_eacutes + "');");
  ASSERT_EQ(file_->Open(Access::kReadWrite), kOk);

  std::vector<Record> records = ReadAll();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0], (Record{3, std::string("third key, first in")}));
  EXPECT_EQ(records[1], (Record{-1, std::string("a description longer")}));
  // 21 bytes; the cut at 20 would split the last character.
  EXPECT_EQ(records[2], (Record{2, "a" + ten_eacutes.substr(0, 18)}));
  EXPECT_EQ(file_->RecordSize(), 24u);
}

TEST_F(SqliteKeyedFileTest, AddedRecordsFollowTheLastOneCutToTheirFields) {
  ASSERT_EQ(file_->Create(), kOk);
  Sql("INSERT INTO goods VALUES (7, 'there before');");
  ASSERT_EQ(file_->Open(Access::kReadWrite), kOk);
  const Record added[] = {
      {2, std::string("it's quoted")},
      {-1, std::string("a description longer than twenty")},
      {1, std::string(19, 'x') + "\xC3\xA9"},  // a cut would split the last
  };
  EXPECT_EQ(file_->Add(added), kOk);
  // A batch with a record that does not fit the layout adds nothing.
  const Record wrong_count[] = {{8, std::string("fine")}, {1}};
  EXPECT_EQ(file_->Add(wrong_count), kInvalidRecordDeclaration);
  const Record wrong_kind[] = {{std::string("1"), std::string("two")}};
  EXPECT_EQ(file_->Add(wrong_kind), kInvalidRecordDeclaration);

  std::vector<Record> records = ReadAll();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0], (Record{7, std::string("there before")}));
  EXPECT_EQ(records[1], (Record{2, std::string("it's quoted")}));
  EXPECT_EQ(records[2], (Record{-1, std::string("a description longer")}));
  EXPECT_EQ(records[3], (Record{1, std::string(19, 'x')}));
  ASSERT_EQ(file_->Close(), kOk);

  ASSERT_EQ(file_->Open(Access::kRead), kOk);
  EXPECT_EQ(file_->Add(added), kAccessDenied);
  ASSERT_EQ(file_->Close(), kOk);
  ASSERT_EQ(file_->Open(Access::kReadWrite), kOk);
  EXPECT_EQ(ReadAll().size(), 4u);
}

TEST_F(SqliteKeyedFileTest, TableThatDiffersFromTheLayoutIsInvalid) {
  const char* const kSchemas[] = {
      "CREATE TABLE other (x);",
      "CREATE TABLE goods (cus_id INTEGER, goods TEXT, extra TEXT);",
      "CREATE TABLE goods (cus_id INTEGER);",
      "CREATE TABLE goods (id INTEGER, goods TEXT);",
      "CREATE TABLE goods (goods TEXT, cus_id INTEGER);",
      "CREATE TABLE goods (cus_id TEXT, goods TEXT);",
      "CREATE VIEW goods AS SELECT 1 AS cus_id, 'x' AS goods;",
      "CREATE TABLE goods (cus_id INTEGER, goods TEXT, "
      "PRIMARY KEY (cus_id, goods)) WITHOUT ROWID;",
  };
  for (const char* schema : kSchemas) {
    SCOPED_TRACE(schema);
    fs::remove(path_);
    Sql(schema);
    EXPECT_EQ(file_->Open(Access::kReadWrite), kInvalidRecordDeclaration);
    EXPECT_EQ(file_->BuildKeys(), kInvalidRecordDeclaration);
  }
}

TEST_F(SqliteKeyedFileTest, NamesAndTypesCompareWithoutCase) {
  Sql("CREATE TABLE GOODS (CUS_ID integer, Goods text);"
      "CREATE INDEX BY_ID_GOODS ON GOODS (Cus_Id, GOODS);");
  EXPECT_EQ(file_->Open(Access::kReadWrite), kOk);
}

TEST_F(SqliteKeyedFileTest, KeyThatDiffersIsRebuiltWithTheRecordsKept) {
  const char* const kIndexes[] = {
      "",
      "CREATE INDEX by_id_goods ON goods (goods, cus_id);",
      "CREATE INDEX by_id_goods ON goods (cus_id);",
      "CREATE UNIQUE INDEX by_id_goods ON goods (cus_id, goods);",
      "CREATE INDEX by_id_goods ON goods (cus_id, goods) WHERE cus_id > 0;",
      "CREATE INDEX by_id_goods ON goods (cus_id DESC, goods);",
      "CREATE INDEX by_id_goods ON goods (cus_id, goods COLLATE NOCASE);",
      "CREATE INDEX by_id_goods ON goods (cus_id + 1, goods);",
      "CREATE INDEX other_key ON goods (cus_id, goods);",
  };
  for (const char* index : kIndexes) {
    SCOPED_TRACE(index);
    fs::remove(path_);
    Sql(std::string(kPlainTable) + "INSERT INTO goods VALUES (5, 'five');" +
        index);
    EXPECT_EQ(file_->Open(Access::kReadWrite), kKeyFileMustBeRebuilt);
    ASSERT_EQ(file_->BuildKeys(), kOk);
    ASSERT_EQ(file_->Open(Access::kReadWrite), kOk);
    EXPECT_EQ(ReadAll(), std::vector<Record>{(Record{5, std::string("five")})});
    file_->Close();
    EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"GOODS.db"});
  }
}

TEST_F(SqliteKeyedFileTest, FileThatIsNotADatabaseIsInvalid) {
  std::ofstream(path_) << std::string(4096, 'x');
  EXPECT_EQ(file_->Open(Access::kReadWrite), kInvalidDataFile);
  EXPECT_EQ(file_->BuildKeys(), kInvalidDataFile);
  EXPECT_EQ(file_->Create(), kInvalidDataFile);
  EXPECT_EQ(fs::file_size(path_), 4096u) << "the file is left alone";
}

TEST_F(SqliteKeyedFileTest, DamagedRecordsFailTheReadAndKeepFailing) {
  ASSERT_EQ(file_->Create(), kOk);
  Sql("INSERT INTO goods VALUES (1, 'one');");
  CorruptPage(path_, 2);  // the record table's first page
  ASSERT_EQ(file_->Open(Access::kReadWrite), kOk);
  ASSERT_EQ(file_->OpenView(), kOk);
  Record record;
  EXPECT_EQ(file_->Next(&record), kInvalidDataFile);
  EXPECT_EQ(file_->Next(&record), kInvalidDataFile);
}

TEST_F(SqliteKeyedFileTest, OtherFailuresCarrySqlitesOwnMessageAndCode) {
  Sql(std::string(kPlainTable) + "CREATE TABLE by_id_goods (x);");
  EXPECT_EQ(file_->Open(Access::kReadWrite), kKeyFileMustBeRebuilt);
  EXPECT_EQ(file_->BuildKeys(), kFileSystemError);
  EXPECT_EQ(file_->LastError().driver_text,
            "there is already a table named by_id_goods");
  EXPECT_EQ(file_->LastError().driver_code, "1");
  EXPECT_EQ(FilesInFolder(), std::vector<std::string>{"GOODS.db"});
}

TEST_F(SqliteKeyedFileTest, LockedFileIsReportedAtOnceUnlessRecoverWaits) {
  // Made by another program: the first open of a file this driver made
  // itself waits (see below).
  ASSERT_EQ(NewSqliteKeyedFile("GOODS.db", path_, GoodsLikeLayout())->Create(),
            kOk);
  LockHolder lock(path_);
  ASSERT_TRUE(lock.held());

  Clock::time_point start = Clock::now();
  EXPECT_EQ(file_->Open(Access::kReadWrite), kFileIsLocked);
  EXPECT_LT(SecondsSince(start), 0.5);

  EXPECT_EQ(file_->SendCommand("Recover=1"), "1");
  start = Clock::now();
  EXPECT_EQ(file_->Open(Access::kReadWrite), kFileIsLocked);
  EXPECT_GE(SecondsSince(start), 0.9);

  start = Clock::now();
  EXPECT_EQ(file_->Open(Access::kReadWrite), kFileIsLocked);
  EXPECT_LT(SecondsSince(start), 0.5) << "the command holds for one open";

  file_->SendCommand("Recover=5");
  std::thread releaser([&lock] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    lock.Release();
  });
  start = Clock::now();
  EXPECT_EQ(file_->Open(Access::kReadWrite), kOk);
  EXPECT_LT(SecondsSince(start), 4.0);
  releaser.join();
}

// Two programs that find the file missing at the same moment both create
// it; the one that finishes first must not fail its open because the other
// is still writing. So the first open after Create waits for a writer as
// long as Create does, and later opens do not.
TEST_F(SqliteKeyedFileTest, FirstOpenAfterCreateWaitsForAnotherCreator) {
  ASSERT_EQ(file_->Create(), kOk);
  LockHolder lock(path_);
  ASSERT_TRUE(lock.held());
  std::thread releaser([&lock] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    lock.Release();
  });
  EXPECT_EQ(file_->Open(Access::kReadWrite), kOk);
  releaser.join();
  file_->Close();

  LockHolder again(path_);
  ASSERT_TRUE(again.held());
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(file_->Open(Access::kReadWrite), kFileIsLocked);
  EXPECT_LT(SecondsSince(start), 0.5);
}

// Reading an open file waits out another program's momentary write lock
// (as a commit holds it) instead of failing the read.
TEST_F(SqliteKeyedFileTest, ReadsWaitForAMomentaryLock) {
  ASSERT_EQ(file_->Create(), kOk);
  Sql("INSERT INTO goods VALUES (7, 'Seven');");
  ASSERT_EQ(file_->Open(Access::kRead), kOk);
  ASSERT_EQ(file_->SetRecordOrder(), kOk);
  ASSERT_EQ(file_->OpenView(), kOk);
  LockHolder lock(path_);
  ASSERT_TRUE(lock.held());
  std::thread releaser([&lock] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    lock.Release();
  });
  Record record;
  EXPECT_EQ(file_->Next(&record), kOk);
  releaser.join();
  EXPECT_EQ(record, (Record{std::int32_t{7}, std::string("Seven")}));
}

TEST_F(SqliteKeyedFileTest, WriteProtectedFileOpensOnlyForReading) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  ASSERT_EQ(file_->Create(), kOk);
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  EXPECT_EQ(file_->Open(Access::kReadWrite), kAccessDenied);
  EXPECT_EQ(file_->Open(Access::kRead), kOk);
}

TEST_F(SqliteKeyedFileTest, CommandsAnswerTheSettingInForce) {
  EXPECT_EQ(file_->SendCommand("Recover=10"), "10");
  EXPECT_EQ(file_->SendCommand(" RECOVER = 3 "), "3");
  EXPECT_EQ(file_->SendCommand("Recover=soon"), "3");
  EXPECT_EQ(file_->SendCommand("QUICKSCAN=on"), "on");
  EXPECT_EQ(file_->SendCommand("quickscan=OFF"), "off");
  EXPECT_EQ(file_->SendCommand("Unknown=1"), "");
  EXPECT_EQ(file_->SendCommand("no equals sign"), "");
}

TEST_F(SqliteKeyedFileTest, ClosedFileRefusesFileOperations) {
  std::int64_t size = 1;
  Record record;
  EXPECT_EQ(file_->Size(&size), kFileNotOpen);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(file_->SetRecordOrder(), kFileNotOpen);
  EXPECT_EQ(file_->OpenView(), kFileNotOpen);
  EXPECT_EQ(file_->Next(&record), kFileNotOpen);
  const Record one[] = {{1, std::string("one")}};
  EXPECT_EQ(file_->Add(one), kFileNotOpen);
  EXPECT_EQ(file_->Close(), kFileNotOpen);
}

}  // namespace
}  // namespace vellaro
