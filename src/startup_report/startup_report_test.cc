// The start-up run over real Goods files (SQLite databases in a temporary
// folder), with the boxes answered and recorded by MemEnv and faults that
// no real file can produce injected in front of the driver.

#include "startup_report/startup_report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/mem_env.h"
#include "runtime/sqlite_fixture.h"
#include "runtime/sqlite_keyed_file.h"
#include "startup_report/goods_report.h"

namespace vellaro {
namespace {

namespace fs = std::filesystem;

constexpr char kTableWithoutKey[] =
    "CREATE TABLE goods (cus_id INTEGER NOT NULL DEFAULT 0, "
    "goods TEXT NOT NULL DEFAULT '');"
    "INSERT INTO goods VALUES (1, 'one'), (2, 'two');";

// A run's world: the in-memory env whose keyed-file folder holds GOODS.db,
// the program's state, and what the report did.
struct Scene {
  std::string GoodsPath() { return env.keyed_file_folder() + "/GOODS.db"; }

  // A good Goods file with records 1..count ("Item 1" ...), added in that
  // order.
  void MakeGoods(int count) {
    ASSERT_EQ(
        NewSqliteKeyedFile("GOODS.db", GoodsPath(), GoodsLayout())->Create(),
        kOk);
    Sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
        "WHERE i < " +
        std::to_string(count) +
        ") INSERT INTO goods SELECT i, 'Item ' || i FROM n;");
  }

  void Sql(const std::string& sql) { ASSERT_EQ(ExecSql(GoodsPath(), sql), ""); }

  // How the file opens as it is now, without repairs.
  int OpenAsIs() {
    return NewSqliteKeyedFile("GOODS.db", GoodsPath(), GoodsLayout())
        ->Open(Access::kRead);
  }

  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const MessageBox& box : env.boxes()) texts.push_back(box.text);
    return texts;
  }

  std::vector<std::string> FilesBesideGoods() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(env.keyed_file_folder())) {
      std::string name = entry.path().filename().string();
      if (name != "GOODS.db") names.push_back(name);
    }
    return names;
  }

  StartupOutcome RunStartup() { return RunStartupReport(env, state, &trace); }

  MemEnv env;
  AppState state;
  StartupReportTrace trace;
};

class StartupReportTest : public ::testing::Test, protected Scene {};

TEST_F(StartupReportTest, MissingFileIsCreatedSilentlyAndNothingRead) {
  state.message_text = {"left over"};
  state.attachments = {"left over"};

  EXPECT_EQ(RunStartup(), StartupOutcome::kReady);
  EXPECT_TRUE(env.boxes().empty());
  EXPECT_TRUE(env.stops().empty());
  EXPECT_EQ(state.work_folder, "/w\\KQ\\");
  EXPECT_TRUE(env.FolderExists("/w/KQ"));
  EXPECT_TRUE(state.message_text.empty());
  EXPECT_TRUE(state.attachments.empty());
  EXPECT_TRUE(fs::exists(GoodsPath()));
  EXPECT_FALSE(trace.report_opened);
  EXPECT_TRUE(trace.details_per_timer_event.empty());
  EXPECT_EQ(OpenAsIs(), kOk);
  EXPECT_TRUE(FilesBesideGoods().empty());
  EXPECT_EQ(env.events().back(), "Close: 0");

  // The next run finds the file it made.
  StartupReportTrace again;
  EXPECT_EQ(RunStartupReport(env, state, &again), StartupOutcome::kReady);
  EXPECT_TRUE(env.boxes().empty());
  EXPECT_FALSE(again.report_opened);
}

TEST_F(StartupReportTest, RecordsArePrintedAThousandPerTimerEventInOrder) {
  MakeGoods(2500);
  EXPECT_EQ(RunStartup(), StartupOutcome::kReady);
  EXPECT_TRUE(env.boxes().empty());
  EXPECT_TRUE(trace.report_opened);
  EXPECT_EQ(trace.details_per_timer_event, (std::vector<int>{1000, 1000, 500}));
  ASSERT_EQ(trace.printed.size(), 2500u);
  for (int i = 0; i < 2500; ++i) {
    ASSERT_EQ(trace.printed[static_cast<std::size_t>(i)],
              (GoodsRecord{i + 1, "Item " + std::to_string(i + 1)}));
  }
  EXPECT_EQ(trace.pages, 97u);  // 26 details to a page
  EXPECT_TRUE(FilesBesideGoods().empty());
}

TEST_F(StartupReportTest, LockedFileIsOpenedAgainBeforeAnyWarning) {
  MakeGoods(3);
  LockHolder lock(GoodsPath());
  ASSERT_TRUE(lock.held());
  std::thread releaser([&lock] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    lock.Release();
  });
  StartupOutcome outcome = RunStartup();
  releaser.join();

  EXPECT_EQ(outcome, StartupOutcome::kReady);
  EXPECT_TRUE(env.boxes().empty());
  ASSERT_GE(env.events().size(), 3u);
  EXPECT_EQ(
      std::vector<std::string>(env.events().begin(), env.events().begin() + 3),
      (std::vector<std::string>{"Open GOODS.db: 32", "Command Recover=10",
                                "Open GOODS.db: 0"}));
  EXPECT_EQ(trace.printed.size(), 3u);
}

TEST_F(StartupReportTest, FileStillLockedEndsWithDiskError) {
  MakeGoods(3);
  env.FailKeyedOp(KeyedOp::kOpen, ErrorState{kFileIsLocked, "", ""}, 2);
  EXPECT_EQ(RunStartup(), StartupOutcome::kStopped);
  EXPECT_EQ(env.events(),
            (std::vector<std::string>{
                "Open GOODS.db: 32", "Command Recover=10", "Open GOODS.db: 32",
                "Box: File Access Error", "Stop: Disk Error"}));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                            "File (GOODS.db) could not be opened.  Error: File "
                            "Is Already Locked (32)."});
  EXPECT_EQ(env.boxes()[0].buttons, BoxButtons::kOk);
  EXPECT_TRUE(env.FolderExists("/w/KQ"));
}

TEST_F(StartupReportTest, DroppedKeyIsRebuiltWhenTheUserSaysYes) {
  Sql(kTableWithoutKey);
  EXPECT_EQ(RunStartup(), StartupOutcome::kReady);
  EXPECT_EQ(BoxTexts(),
            std::vector<std::string>{
                "GOODS.db key file is invalid.  Do you want to rebuild the "
                "key?"});
  EXPECT_EQ(env.boxes()[0].default_answer, kAnswerYes);
  EXPECT_TRUE(env.stops().empty());
  EXPECT_EQ(trace.printed, (std::vector<GoodsRecord>{{1, "one"}, {2, "two"}}));
  EXPECT_EQ(OpenAsIs(), kOk);
  EXPECT_TRUE(FilesBesideGoods().empty());
}

TEST_F(StartupReportTest, DroppedKeyEndsTheProgramWhenTheUserSaysNo) {
  Sql(kTableWithoutKey);
  env.QueueAnswer(kAnswerNo);
  EXPECT_EQ(RunStartup(), StartupOutcome::kStopped);
  EXPECT_EQ(env.stops(), std::vector<std::string>{"Invalid Key!"});
  EXPECT_FALSE(trace.report_opened);
  EXPECT_EQ(OpenAsIs(), kKeyFileMustBeRebuilt);
}

// Files that no repair can open, and failures injected where no real file
// state causes them: the boxes shown, in order, and the final text.
TEST(StartupReportOpenTest, OpenFailuresShowTheirWarningsAndStop) {
  struct Case {
    const char* name;
    void (*prepare)(Scene&);
    std::vector<std::string> texts;
    const char* stop;
  };
  const Case kCases[] = {
      {"record table of another layout",
       [](Scene& t) { t.Sql("CREATE TABLE goods (id INTEGER, name TEXT);"); },
       {"Error: (Invalid Record Declaration (47)) accessing GOODS.db.  Press "
        "OK to end this application."},
       "Invalid File!"},
      {"not a database",
       [](Scene& t) { std::ofstream(t.GoodsPath()) << std::string(5000, '#'); },
       {"File (GOODS.db) could not be opened.  Error: Invalid Data File "
        "(36)."},
       "Disk Error"},
      {"creating fails",
       [](Scene& t) {
         t.env.FailKeyedOp(KeyedOp::kCreate, ErrorState{kAccessDenied, "", ""});
       },
       {"Error: (Access Denied (5)) creating GOODS.db.  Press OK to end this "
        "application."},
       "File Creation Error!"},
      {"opening the created file fails",
       [](Scene& t) {
         t.env.FailKeyedOp(KeyedOp::kOpen, ErrorState{kFileNotFound, "", ""});
         t.env.FailKeyedOp(KeyedOp::kOpen, ErrorState{kFileSystemError,
                                                      "disk I/O error", "10"});
       },
       {"Error: (disk I/O error (10)) opening created file:GOODS.db.  Press "
        "OK to end this application."},
       "File Creation Error!"},
      {"rebuilding the key fails",
       [](Scene& t) {
         t.Sql(kTableWithoutKey);
         t.env.FailKeyedOp(KeyedOp::kBuildKeys,
                           ErrorState{kFileIsLocked, "", ""});
       },
       {"GOODS.db key file is invalid.  Do you want to rebuild the key?",
        "Error: (File Is Already Locked (32)) repairing key for GOODS.db.  "
        "Press OK to end this application."},
       "Error Rebuilding Key!"},
      {"the key is still wrong after its rebuild",
       [](Scene& t) {
         t.Sql(kTableWithoutKey);
         t.env.FailKeyedOp(KeyedOp::kOpen,
                           ErrorState{kKeyFileMustBeRebuilt, "", ""}, 2);
       },
       {"GOODS.db key file is invalid.  Do you want to rebuild the key?",
        "File (GOODS.db) could not be opened.  Error: Key File Must Be "
        "Rebuilt (46)."},
       "Disk Error"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    c.prepare(scene);
    EXPECT_EQ(scene.RunStartup(), StartupOutcome::kStopped);
    EXPECT_EQ(scene.BoxTexts(), c.texts);
    EXPECT_EQ(scene.env.stops(), std::vector<std::string>{c.stop});
    EXPECT_FALSE(scene.trace.report_opened);
    EXPECT_TRUE(scene.env.FolderExists("/w/KQ"));
  }
}

TEST_F(StartupReportTest, FailedFirstReadIsReportedOnceAndNoReportOpens) {
  MakeGoods(1500);
  CorruptPage(GoodsPath(), 2);  // the record table's first page
  EXPECT_EQ(RunStartup(), StartupOutcome::kReady);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                            "Error: (Invalid Data File (36)) attempting to "
                            "access a record from the Goods file.  Returning "
                            "to previous window."});
  EXPECT_EQ(env.boxes()[0].title, "Record Retrieval Error");
  EXPECT_FALSE(trace.report_opened);
  EXPECT_TRUE(env.stops().empty());
}

TEST_F(StartupReportTest, DriverFailureOfAReadCarriesTheDriversText) {
  MakeGoods(5);
  env.FailKeyedOp(KeyedOp::kNext,
                  ErrorState{kFileSystemError, "disk I/O error", "10"});
  EXPECT_EQ(RunStartup(), StartupOutcome::kReady);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                            "Error: (disk I/O error (10)) attempting to access "
                            "a record from the Goods file.  Returning to "
                            "previous window."});
  EXPECT_FALSE(trace.report_opened);
}

TEST_F(StartupReportTest, ViewFailuresOnlyInform) {
  MakeGoods(5);
  env.FailKeyedOp(KeyedOp::kSetRecordOrder, ErrorState{kFileNotOpen, "", ""});
  EXPECT_EQ(RunStartup(), StartupOutcome::kReady);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{
                            "Error: (File Not Open (37)) attempting to open "
                            "the current VIEW. Filter and Range Limits "
                            "ignored."});
  EXPECT_EQ(trace.printed.size(), 5u);

  // Without its view nothing can be read, and the read says so too.
  Scene no_view;
  no_view.MakeGoods(5);
  no_view.env.FailKeyedOp(KeyedOp::kOpenView,
                          ErrorState{kFileSystemError, "out of memory", "7"});
  EXPECT_EQ(no_view.RunStartup(), StartupOutcome::kReady);
  EXPECT_EQ(no_view.BoxTexts(),
            (std::vector<std::string>{
                "Error: (out of memory (7)) attempting to open the current "
                "VIEW. Filter and Range Limits ignored.",
                "Error: (File Not Open (37)) attempting to access a record "
                "from the Goods file.  Returning to previous window."}));
  EXPECT_FALSE(no_view.trace.report_opened);
}

TEST(ProgressTest, PercentOfTheFileReadNeverDividesByZeroNorOverflows) {
  struct Case {
    std::int64_t read;
    std::int64_t size;
    int percent;
  };
  const Case kCases[] = {
      {0, 1000, 0},      {24, 1000, 2},
      {999, 1000, 99},   {1000, 1000, 100},
      {5000, 1000, 100}, {24, 0, 0},
      {24, -1, 0},       {3'000'000'000LL, 4'000'000'000LL, 75},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(ProgressPercent(c.read, c.size), c.percent)
        << c.read << " of " << c.size;
  }
  EXPECT_EQ(PercentText(7), "  7% Completed");
  EXPECT_EQ(PercentText(100), "100% Completed");
}

}  // namespace
}  // namespace vellaro
