// The start-up run over hostile and broken Goods files: cut short, zeroed,
// a folder, read-only, or holding values of other kinds than its layout
// declares. The sound outcome for a file that cannot be used is warning 30
// and the "Disk Error" stop before the command line is read, with the file
// left exactly as it was (never repaired or made anew); for a file that
// can be read, every record is read without a warning.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "runtime/mem_env.h"
#include "runtime/sqlite_fixture.h"
#include "runtime/sqlite_keyed_file.h"
#include "startup_report/goods_file.h"
#include "startup_report/startup_report.h"

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vellaro {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Every entry of `folder` with the bytes of each file ("/" for a folder).
std::vector<std::pair<std::string, std::string>> Listing(
    const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    entries.emplace_back(entry.path().string(),
                         entry.is_directory()
                             ? std::string("/")
                             : ReadBytes(entry.path().string()));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// A good Goods file of `count` records at `path`.
void MakeGoods(const std::string& path, int count) {
  ASSERT_EQ(NewSqliteKeyedFile("GOODS.db", path, GoodsLayout())->Create(), kOk);
  ASSERT_EQ(ExecSql(path,
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                    "FROM n WHERE i < " +
                        std::to_string(count) +
                        ") INSERT INTO goods SELECT i, 'Item ' || i FROM n;"),
            "");
}

// The box and stop that end a run over a file that cannot be opened.
struct Ending {
  std::string title;
  std::string text;
  std::string stop;
};

Ending DiskError(const std::string& error) {
  return {"File Access Error",
          "File (GOODS.db) could not be opened.  Error: " + error + ".",
          "Disk Error"};
}

TEST(HostileGoodsTest, BrokenFileEndsTheRunWithDiskErrorAndStaysAsItWas) {
  std::string whole;
  {
    MemEnv env;
    MakeGoods(env.keyed_file_folder() + "/GOODS.db", 2500);
    whole = ReadBytes(env.keyed_file_folder() + "/GOODS.db");
  }
  ASSERT_GT(whole.size(), 8192u);
  const struct {
    const char* name;
    void (*make)(const std::string& path, const std::string& good);
    Ending ending;
  } cases[] = {
      {"cut inside its header",
       [](const std::string& path, const std::string& good) {
         WriteBytes(path, good.substr(0, 100));
       },
       DiskError("Invalid Data File (36)")},
      {"cut after its first page",
       [](const std::string& path, const std::string& good) {
         WriteBytes(path, good.substr(0, 4096));
       },
       DiskError("Invalid Data File (36)")},
      {"cut in half",
       [](const std::string& path, const std::string& good) {
         WriteBytes(path, good.substr(0, good.size() / 2));
       },
       DiskError("Invalid Data File (36)")},
      {"zero-filled",
       [](const std::string& path, const std::string& good) {
         WriteBytes(path, std::string(good.size(), '\0'));
       },
       DiskError("Invalid Data File (36)")},
      {"a folder",
       [](const std::string& path, const std::string&) {
         fs::create_directory(path);
         WriteBytes(path + "/inside", "kept");
       },
       DiskError("unable to open database file (14)")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemEnv env;
    AppState state;
    c.make(env.keyed_file_folder() + "/GOODS.db", whole);
    const auto before = Listing(env.keyed_file_folder());

    EXPECT_EQ(RunStartupReport(env, state), StartupOutcome::kStopped);
    ASSERT_EQ(env.boxes().size(), 1u);
    EXPECT_EQ(env.boxes()[0].title, c.ending.title);
    EXPECT_EQ(env.boxes()[0].text, c.ending.text);
    EXPECT_EQ(env.stops(), std::vector<std::string>{c.ending.stop});
    EXPECT_EQ(Listing(env.keyed_file_folder()), before);
    // The work folder was made before the data file was looked at.
    EXPECT_TRUE(env.FolderExists("/w/KQ"));
  }
}

// Values of other kinds than the layout's (SQLite keeps whatever a row was
// given): texts for numbers, NULLs, blobs with NUL bytes, huge texts, and
// numbers past 32 bits. Every record is read, without a warning, each text
// cut to its 20 characters.
TEST(HostileGoodsTest, ValuesOfOtherKindsAreReadWithoutAWarning) {
  MemEnv env;
  AppState state;
  const std::string path = env.keyed_file_folder() + "/GOODS.db";
  ASSERT_EQ(ExecSql(path,
                    "CREATE TABLE goods (cus_id INTEGER, goods TEXT);"
                    "CREATE INDEX by_id_goods ON goods (cus_id, goods);"
                    "INSERT INTO goods VALUES (1, 'plain'), (NULL, NULL),"
                    " ('text id', x'00FF00FF'), (99999999999, 1.5),"
                    " (-5, printf('%.*c', 1000000, 'y')),"
                    " (2, 'caf' || char(233) || char(233) || char(233)"
                    " || printf('%.*c', 14, 'z')), (3, x'');"),
            "");
  const std::string before = ReadBytes(path);
  StartupReportTrace trace;
  EXPECT_EQ(RunStartupReport(env, state, &trace), StartupOutcome::kReady);
  EXPECT_TRUE(env.boxes().empty());
  ASSERT_EQ(trace.printed.size(), 7u);
  for (const GoodsRecord& record : trace.printed) {
    EXPECT_LE(record.goods.size(), 20u);
  }
  EXPECT_EQ(trace.printed[0], (GoodsRecord{1, "plain"}));
  EXPECT_EQ(trace.printed[1], (GoodsRecord{0, ""}));
  EXPECT_EQ(trace.printed[4].goods, std::string(20, 'y'));
  EXPECT_EQ(ReadBytes(path), before);
}

#ifndef _WIN32

// A Goods file without the right to write it, for an unprivileged user
// (permission bits do not bind root): warning 30 with Access Denied, the
// stop, and the file as it was.
TEST(HostileGoodsTest, ReadOnlyFileEndsTheRunWithDiskError) {
  char pattern[] = "/tmp/vellaro_goods_XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  ::chmod(folder.c_str(), 0777);
  const std::string path = folder + "/GOODS.db";
  MakeGoods(path, 3);
  ::chmod(path.c_str(), 0444);
  const std::string before = ReadBytes(path);

  constexpr int kCannotSetUp = 77;
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(60);
    constexpr uid_t kNobody = 65534;
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 ||
                             ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                             ::setresuid(kNobody, kNobody, kNobody) != 0)) {
      ::_exit(kCannotSetUp);
    }
    MemEnv env;
    env.set_keyed_file_folder(folder);
    AppState state;
    const bool sound =
        RunStartupReport(env, state) == StartupOutcome::kStopped &&
        env.boxes().size() == 1 &&
        env.boxes()[0].text ==
            "File (GOODS.db) could not be opened.  Error: Access Denied "
            "(5)." &&
        env.stops() == std::vector<std::string>{"Disk Error"};
    ::_exit(sound ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  const int code = WEXITSTATUS(status);
  EXPECT_EQ(ReadBytes(path), before);
  fs::remove_all(folder);
  if (code == kCannotSetUp) GTEST_SKIP() << "no unprivileged user";
  EXPECT_EQ(code, 0) << "expected warning 30 (Access Denied) and the stop";
}

#endif  // _WIN32

}  // namespace
}  // namespace vellaro
