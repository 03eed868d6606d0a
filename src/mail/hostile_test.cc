// The message builder under hostile and failing conditions: message paths
// that cannot be written, page files that cannot be read, are empty, shared
// or larger than 4 GiB, and two builders at once. Each case names the sound
// outcome: the result value, nothing of the host's lost, and no broken
// message left behind as if it were whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "encode/rtf_text.h"
#include "encode/rtf_writer.h"
#include "mail/mail_test_util.h"
#include "mail/make_eml_file.h"
#include "runtime/mem_env.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#endif

#ifndef _WIN32
namespace {
// When not empty, the next exclusive flock of this program first deletes
// this file: another builder of the same message, making its own, in the
// moment between a file's creation and its lock.
std::string delete_before_lock;
}  // namespace

// Stands in for the C library's flock in this test program, so that a test
// can act in that moment; every call is passed on to the kernel.
extern "C" int flock(int fd, int operation) noexcept {
  if (!delete_before_lock.empty() && (operation & LOCK_EX) != 0) {
    ::unlink(delete_before_lock.c_str());
    delete_before_lock.clear();
  }
  return static_cast<int>(::syscall(SYS_flock, fd, operation));
}
#endif

namespace vellaro {
namespace {

using vellaro::testing::Base64Lines;
using vellaro::testing::Crlf;
using vellaro::testing::SomeBytes;

constexpr std::string_view kClosingLine = "\r\n------=_1_--\r\n";

// The headers of page part `page` and the empty line after them: where a
// message ends when that page cannot be read.
std::string PagePartHeaders(int page) {
  const std::string n = std::to_string(page);
  return Crlf({"------=_1_", "Content-Type: application/octet-stream;",
               "    name=\"" + n + ".WMF\"",
               "Content-Transfer-Encoding: base64", "Content-ID: <" + n + ">",
               ""});
}

// Every file of a MemEnv with its contents.
std::map<std::string, std::string> Snapshot(const MemEnv& env) {
  std::map<std::string, std::string> files;
  for (const std::string& path : env.FilePaths()) {
    files[path] = env.FileContents(path);
  }
  return files;
}

class HostileMessageTest : public vellaro::testing::MessageTest {};

// A message file that cannot be written gives 2, and leaves every file as it
// was: no new file, and nothing of what was there replaced or emptied.
TEST_F(HostileMessageTest, UnwritableMessagePathGivesTwoAndLosesNothing) {
  PutPages(2);
  params_.content_mode = 4;
  // A file that a path cut at 256 characters would name: /w/ddd.../out.
  const std::string victim = "/w/" + std::string(249, 'd') + "/out";
  ASSERT_EQ(victim.size(), 256u);
  env_.PutFile(victim, "the host's own file");
  env_.PutFile("/w/box/keep.txt", "kept");
  env_.PutFile("/w/ro.eml", "an older message");
  env_.SetReadOnly("/w/ro.eml");

  const struct {
    const char* name;
    std::string path;
  } cases[] = {
      {"folder missing", "/w/missing/out.eml"},
      {"path is a folder", "/w/box"},
      {"read-only file", "/w/ro.eml"},
      {"longer than its field: never cut to another name", victim + ".eml"},
      {"blank", "    "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto before = Snapshot(env_);
    params_.eml_file_name = c.path;
    EXPECT_EQ(MakeEMLFile(env_, state_, params_), kEmlNotWritten);
    EXPECT_EQ(Snapshot(env_), before);
    EXPECT_TRUE(env_.FolderExists("/w/box"));
  }

  // Blanks after the path do not count against its length.
  params_.eml_file_name = "/w/out.eml" + std::string(400, ' ');
  EXPECT_EQ(MakeEMLFile(env_, state_, params_), kEmlDone);
  EXPECT_TRUE(env_.FileContents(kMessagePath).ends_with(kClosingLine));
}

// A disk that fills up while the message is written: 2, and the broken
// message is removed; the pages stay.
TEST_F(HostileMessageTest, FullDiskGivesTwoAndNoBrokenMessage) {
  PutPages(3);
  for (int page = 1; page <= 3; ++page) {
    env_.PutFile(PagePath(page), SomeBytes(200000, page));
  }
  params_.content_mode = 4;
  const auto before = Snapshot(env_);
  env_.SetDiskCapacity(3 * 200000 + 100000);
  EXPECT_EQ(Run(), kEmlNotWritten);
  EXPECT_EQ(Snapshot(env_), before);
}

// A page file that cannot be read ends the message after that page's
// headers, with result 1; the RTF document, which needs every page, is left
// out; the page files stay as they were.
TEST(HostilePageTest, UnreadablePageEndsTheMessageThere) {
  const struct {
    const char* name;
    void (*spoil)(MemEnv& env, const std::string& page);
  } cases[] = {
      {"a folder",
       [](MemEnv& env, const std::string& page) {
         env.DeleteFile(page);
         env.PutFolder(page);
       }},
      {"no right to open it",
       [](MemEnv& env, const std::string& page) {
         env.FailOpen(page, kAccessDenied);
       }},
      {"held for writing by another program",
       [](MemEnv& env, const std::string& page) { env.HoldForWriting(page); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemEnv env;
    AppState state;
    state.work_folder = "/w\\KQ\\";
    state.instance = 5;
    EmlParams params;
    params.eml_file_name = "/w/out.eml";
    params.page_count = 3;
    params.rtf_name = "Report";
    for (int page = 1; page <= 3; ++page) {
      env.PutFile("/w/KQ/5" + std::to_string(page) + ".WMF",
                  SomeBytes(100, page));
    }
    c.spoil(env, "/w/KQ/52.WMF");
    EXPECT_EQ(MakeEMLFile(env, state, params), kEmlUnreadable);
    const std::string eml = env.FileContents("/w/out.eml");
    EXPECT_TRUE(eml.ends_with(Base64Lines(SomeBytes(100, 1)) + "\r\n" +
                              PagePartHeaders(2)))
        << eml.substr(eml.size() - std::min<std::size_t>(eml.size(), 300));
    EXPECT_EQ(eml.find("Report.RTF"), std::string::npos);
    EXPECT_EQ(env.FileContents("/w/KQ/51.WMF"), SomeBytes(100, 1));
    EXPECT_EQ(env.FileContents("/w/KQ/53.WMF"), SomeBytes(100, 3));
    EXPECT_EQ(env.DeleteFile("/w/out.eml"), kOk);  // closed
  }
}

// Pages of no data at all, or only a placeable header, are whole pages: the
// page part holds what there is, the RTF picture holds no data.
TEST_F(HostileMessageTest, EmptyAndHeaderOnlyPagesMakeAWholeMessage) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (std::size_t size : {0u, 1u, 21u, 22u, 23u}) {
    SCOPED_TRACE(size);
    const std::string page = SomeBytes(size, 7);
    env_.PutFile(PagePath(1), page);
    params_.page_count = 1;
    ASSERT_EQ(Run(), kEmlDone);
    EXPECT_TRUE(Has("Content-ID: <1>\r\n\r\n" + Base64Lines(page) + "\r\n"));
    EXPECT_TRUE(eml_.ends_with(kClosingLine));
    std::string hex;
    for (std::size_t i = 22; i < page.size(); ++i) {
      const auto b = static_cast<unsigned char>(page[i]);
      hex += kHex[b >> 4];
      hex += kHex[b & 15];
    }
    EXPECT_NE(env_.FileContents("/w/KQ/5.RTF")
                  .find("}\r\n" + hex + std::string(kRtfPageSeparator)),
              std::string::npos);
    EXPECT_TRUE(Has("name=\"Report.RTF\""));
  }
}

// Files that arrive a few bytes at a time (a pipe, a network share) give
// the same message, byte for byte, as files read in whole blocks.
TEST_F(HostileMessageTest, ShortReadsGiveTheSameMessage) {
  PutPages(3);
  env_.PutFile(PagePath(2), SomeBytes(70000, 2));  // past one read block
  params_.up_image = "/w/up.gif";
  params_.down_image = "/w/down.gif";
  env_.PutFile("/w/up.gif", SomeBytes(100, 8));
  env_.PutFile("/w/down.gif", SomeBytes(863, 9));
  ASSERT_EQ(Run(), kEmlDone);
  const std::string whole_blocks = eml_;
  for (std::size_t limit : {1u, 2u, 7u, 57u, 63u, 4097u}) {
    SCOPED_TRACE(limit);
    for (int page = 1; page <= 3; ++page) {
      env_.LimitReadSize(PagePath(page), limit);
    }
    env_.LimitReadSize("/w/up.gif", limit);
    env_.LimitReadSize("/w/down.gif", limit);
    ASSERT_EQ(Run(), kEmlDone);
    EXPECT_TRUE(eml_ == whole_blocks);
  }
}

// A work folder so long that its files' names pass the 256 characters of a
// path field (a deep current directory): no file may be written or read
// under a name cut short, which is another file's name. The page files and
// the RTF work file then cannot be used (result 1, no RTF part); a decoy at
// a cut name is never embedded, and no file appears at one.
TEST(HostileWorkFolderTest, NamesPastTheirFieldAreNeverCutShort) {
  MemEnv env;
  AppState state;
  const std::string folder = "/w/" + std::string(245, 'k');
  state.work_folder = folder + "\\KQ\\";  // 252 characters
  state.instance = 5;
  env.PutFile(folder + "/KQ/51.WMF", SomeBytes(100, 1));
  env.PutFile(folder + "/KQ/51.W", "decoy");  // page 1's name cut at 256
  EmlParams params;
  params.eml_file_name = "/w/out.eml";
  params.page_count = 1;
  params.rtf_name = "R";
  const auto before = Snapshot(env);

  EXPECT_EQ(MakeEMLFile(env, state, params), kEmlUnreadable);
  const std::string eml = env.FileContents("/w/out.eml");
  EXPECT_EQ(eml.find(Base64Lines("decoy")), std::string::npos);
  EXPECT_EQ(eml.find("R.RTF"), std::string::npos);
  auto after = Snapshot(env);
  after.erase(env.NormalPath("/w/out.eml"));
  EXPECT_EQ(after, before);  // no "5.RT" beside the pages
}

// A blank line reaches the writer as an empty text whose data pointer may
// be null; copying zero bytes from a null pointer would be undefined
// behaviour, which the sanitizer build stops at.
TEST(HostileWriterTest, BlankLinesAreAppendedWithoutUndefinedBehaviour) {
  const std::string written = vellaro::testing::Written([](LineWriter& out) {
    out.AppendLine("    ");
    out.raw().Append(std::string_view());
  });
  EXPECT_EQ(written, "\r\n");
}

// ---- Files larger than 4 GiB ----

// A page file of `size` bytes that is never stored: its bytes repeat a
// pattern of kPeriod bytes, byte i being Pattern()[i % kPeriod].
class GeneratedFile final : public SequentialFile {
 public:
  static constexpr std::size_t kPeriod = 65521;  // prime: no alignment

  static const std::string& Pattern() {
    static const std::string pattern = SomeBytes(kPeriod, 99);
    return pattern;
  }
  // The bytes from `begin` to the end of a file of `size` bytes.
  static std::string Tail(std::uint64_t size, std::uint64_t begin) {
    std::string tail;
    for (std::uint64_t i = begin; i < size; ++i) {
      tail += Pattern()[static_cast<std::size_t>(i % kPeriod)];
    }
    return tail;
  }

  explicit GeneratedFile(std::uint64_t size) : size_(size) {}

  int Read(char* scratch, std::size_t n, std::size_t* got) override {
    const std::uint64_t left = size_ - pos_;
    std::size_t take =
        static_cast<std::size_t>(std::min<std::uint64_t>(n, left));
    *got = take;
    while (take > 0) {
      const std::size_t at = static_cast<std::size_t>(pos_ % kPeriod);
      const std::size_t run = std::min(take, kPeriod - at);
      std::memcpy(scratch, Pattern().data() + at, run);
      scratch += run;
      pos_ += run;
      take -= run;
    }
    return kOk;
  }

 private:
  std::uint64_t size_;
  std::uint64_t pos_ = 0;
};

// True when `want` stands at every position first + k * step below `limit`
// that falls inside `data`, which begins at position `at` of its file.
bool BytesAt(std::string_view data, std::uint64_t at, std::uint64_t first,
             std::uint64_t step, std::uint64_t limit, char want) {
  std::uint64_t pos = first;
  if (at > first) pos = first + (at - first + step - 1) / step * step;
  for (; pos < limit && pos < at + data.size(); pos += step) {
    if (data[static_cast<std::size_t>(pos - at)] != want) return false;
  }
  return true;
}

// A file that keeps only its size and its last bytes, and checks that CR LF
// ends every line of `line` characters from `lines_from` up to `lines_to`.
class TailFile final : public WritableFile {
 public:
  struct Seen {
    std::uint64_t line = 76;  // characters before each CR LF
    std::uint64_t lines_from = 0;
    std::uint64_t lines_to = 0;
    std::uint64_t size = 0;
    std::string tail;
    bool lines_ok = true;
  };

  explicit TailFile(Seen* seen) : seen_(seen) {}

  int Append(std::string_view data) override {
    const std::uint64_t first = seen_->lines_from + seen_->line;
    const std::uint64_t step = seen_->line + 2;
    seen_->lines_ok =
        seen_->lines_ok &&
        BytesAt(data, seen_->size, first, step, seen_->lines_to, '\r') &&
        BytesAt(data, seen_->size, first + 1, step, seen_->lines_to, '\n');
    seen_->size += data.size();
    seen_->tail.append(data);
    if (seen_->tail.size() > 4096) {
      seen_->tail.erase(0, seen_->tail.size() - 4096);
    }
    return kOk;
  }
  // Only a document that fails is cut back; these runs succeed.
  int Truncate(std::uint64_t) override { return kAccessDenied; }
  int Close() override { return kOk; }

 private:
  Seen* seen_;
};

// A MemEnv whose page 1 of instance 5 is a generated file of `page_size`
// bytes and whose files /w/big.eml and /w/big.RTF are TailFiles.
class HugePageEnv final : public MemEnv {
 public:
  explicit HugePageEnv(std::uint64_t page_size) : page_size_(page_size) {}

  int OpenForReading(std::string_view path,
                     std::unique_ptr<SequentialFile>* file) override {
    if (path != "/w\\KQ\\51.WMF") return MemEnv::OpenForReading(path, file);
    *file = std::make_unique<GeneratedFile>(page_size_);
    return kOk;
  }
  int CreateForWriting(std::string_view path,
                       std::unique_ptr<WritableFile>* file) override {
    if (path != "/w/big.eml" && path != "/w/big.RTF") {
      return MemEnv::CreateForWriting(path, file);
    }
    *file = std::make_unique<TailFile>(&seen);
    return kOk;
  }

  TailFile::Seen seen;

 private:
  std::uint64_t page_size_;
};

bool Instrumented() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

// A page past 4 GiB is embedded whole: no count of bytes, lines or columns
// wraps at 32 bits. The message is checked against that of a small page
// holding the big page's last bytes: the same up to the page's data, the
// same after its last full line, and 78-byte lines in between.
TEST(HugePageTest, PageLargerThan4GiBIsEmbeddedWhole) {
  if (Instrumented()) {
    GTEST_SKIP() << "5 GiB of encoding; the uninstrumented suite runs it";
  }
  constexpr std::uint64_t kSize = (std::uint64_t{1} << 32) + 57 * 3 + 5;
  constexpr std::uint64_t kRest = kSize % 57;
  constexpr std::uint64_t kFullLines = kSize / 57;

  EmlParams params;
  params.page_count = 1;
  params.content_mode = 4;
  params.page_width = 8270;
  params.page_height = 11530;
  AppState state;
  state.work_folder = "/w\\KQ\\";
  state.instance = 5;

  MemEnv small_env;
  small_env.PutFile("/w/KQ/51.WMF", GeneratedFile::Tail(kSize, kSize - kRest));
  params.eml_file_name = "/w/big.eml";
  ASSERT_EQ(MakeEMLFile(small_env, state, params), kEmlDone);
  const std::string small = small_env.FileContents("/w/big.eml");
  const std::size_t data_at = small.find("Content-ID: <1>\r\n\r\n") + 19;

  HugePageEnv env(kSize);
  env.PutFolder("/w/KQ");
  TailFile::Seen& seen = env.seen;
  seen.lines_from = data_at;
  seen.lines_to = data_at + kFullLines * 78;
  ASSERT_EQ(MakeEMLFile(env, state, params), kEmlDone);
  EXPECT_EQ(seen.size, small.size() + kFullLines * 78);
  EXPECT_TRUE(seen.lines_ok);
  const std::string after_lines = small.substr(data_at);
  ASSERT_GE(seen.tail.size(), after_lines.size() + 78);
  // The last full line is that of the 57 bytes before the last kRest; what
  // follows it is the small page's message.
  EXPECT_EQ(seen.tail.substr(seen.tail.size() - after_lines.size() - 78),
            Base64Lines(GeneratedFile::Tail(kSize - kRest, kSize - kRest - 57))
                    .substr(0, 78) +
                after_lines);
}

// The same page is copied whole into the RTF document: its hexadecimal
// text is that of a small page with the same header and last bytes, with
// full lines of 128 digits and CR LF in between.
TEST(HugePageTest, PageLargerThan4GiBIsCopiedWholeIntoTheRtfDocument) {
  if (Instrumented()) {
    GTEST_SKIP() << "8 GiB of hex text; the uninstrumented suite runs it";
  }
  constexpr std::uint64_t kSize = (std::uint64_t{1} << 32) + 64 * 3 + 22 + 9;
  constexpr std::uint64_t kRest = (kSize - 22) % 64;
  constexpr std::uint64_t kFullLines = (kSize - 22) / 64;

  AppState state;
  state.work_folder = "/w\\KQ\\";
  state.instance = 5;
  RtfRequest request;
  request.rtf_path = "/w/big.RTF";
  request.page_count = 1;
  request.paper_name = "A4";

  MemEnv small_env;
  small_env.PutFile(
      "/w/KQ/51.WMF",
      GeneratedFile::Tail(22, 0) + GeneratedFile::Tail(kSize, kSize - kRest));
  ASSERT_EQ(MakeRTFFile(small_env, state, request), 0);
  const std::string small = small_env.FileContents("/w/big.RTF");
  const std::size_t data_at =
      small.find(std::string(kRtfPageSeparator)) - 2 * kRest;

  HugePageEnv env(kSize);
  env.PutFolder("/w/KQ");
  TailFile::Seen& seen = env.seen;
  seen.line = 128;
  seen.lines_from = data_at;
  seen.lines_to = data_at + kFullLines * 130;
  ASSERT_EQ(MakeRTFFile(env, state, request), 0);
  EXPECT_EQ(seen.size, small.size() + kFullLines * 130);
  EXPECT_TRUE(seen.lines_ok);
  const std::string after_lines = small.substr(data_at);
  ASSERT_GE(seen.tail.size(), after_lines.size());
  EXPECT_EQ(seen.tail.substr(seen.tail.size() - after_lines.size()),
            after_lines);
}

// ---- On the real file system ----

#ifndef _WIN32

namespace fs = std::filesystem;

// The exit status of a child process that gave no result (a crash, a hang
// ended by the alarm).
constexpr int kNoResult = -1;
// The exit code of a child that cannot set up its case here.
constexpr int kCannotSetUp = 77;

// Runs `body` in a child process, which the alarm ends after a minute so
// that a hang fails the test instead of holding it; returns the child's
// exit code, or kNoResult.
int InChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(60);
    ::_exit(body());
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return kNoResult;
  return WIFEXITED(status) ? WEXITSTATUS(status) : kNoResult;
}

// Turns the calling process into an unprivileged user, so that permission
// bits bind it (they do not bind root). False when it cannot.
bool DropPrivileges() {
  if (::geteuid() != 0) return true;
  constexpr uid_t kNobody = 65534;
  return ::setgroups(0, nullptr) == 0 &&
         ::setresgid(kNobody, kNobody, kNobody) == 0 &&
         ::setresuid(kNobody, kNobody, kNobody) == 0;
}

// Real files in a temporary folder <dir>: the work folder <dir>/KQ/ with
// the page files of instance 5, read through the POSIX backend.
class RealFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vellaro_hostile_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ::chmod(dir_.c_str(), 0755);  // reachable for an unprivileged user
    fs::create_directory(dir_ + "/KQ");
    state_.work_folder = dir_ + "/KQ/";
    state_.instance = 5;
    params_.eml_file_name = dir_ + "/out.eml";
    params_.page_width = 8270;
    params_.page_height = 11530;
    params_.content_mode = 4;
    params_.mail_subject = "First";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(dir_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add,
                      ignored);
    }
    fs::remove_all(dir_, ignored);
  }

  std::string Page(int page) const {
    return dir_ + "/KQ/5" + std::to_string(page) + ".WMF";
  }
  void PutPages(int count, std::size_t size = 1000) {
    for (int page = 1; page <= count; ++page) {
      Put(Page(page), SomeBytes(size, page));
    }
    params_.page_count = static_cast<std::uint8_t>(count);
  }
  static void Put(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
  }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int Build() { return MakeEMLFile(env_, state_, params_); }

  Env& env_ = *NativeEnv(0, nullptr);
  std::string dir_;
  AppState state_;
  EmlParams params_;
};

TEST_F(RealFilesTest, MessagePathInAMissingFolderOrOnAFolderGivesTwo) {
  PutPages(1);
  fs::create_directories(dir_ + "/box");
  Put(dir_ + "/box/keep.txt", "kept");
  for (const std::string& path :
       {dir_ + "/missing/out.eml", dir_ + "/box", dir_ + "\\box\\"}) {
    SCOPED_TRACE(path);
    params_.eml_file_name = path;
    EXPECT_EQ(Build(), kEmlNotWritten);
    EXPECT_FALSE(fs::exists(dir_ + "/missing"));
    EXPECT_EQ(Get(dir_ + "/box/keep.txt"), "kept");
  }
}

// In a folder without the right to write, as an unprivileged user: 2, and
// the message that was there keeps every byte.
TEST_F(RealFilesTest, MessagePathInAReadOnlyFolderGivesTwo) {
  PutPages(1);
  fs::create_directory(dir_ + "/ro");
  Put(dir_ + "/ro/out.eml", "an older message");
  ::chmod((dir_ + "/ro").c_str(), 0555);
  params_.eml_file_name = dir_ + "/ro/out.eml";
  const int result = InChild([&] {
    if (!DropPrivileges()) return kCannotSetUp;
    return static_cast<int>(Build());
  });
  if (result == kCannotSetUp) GTEST_SKIP() << "no unprivileged user";
  EXPECT_EQ(result, kEmlNotWritten);
  EXPECT_EQ(Get(dir_ + "/ro/out.eml"), "an older message");
}

// On a real file system that fills up (a small tmpfs, mounted in a mount
// namespace of the child's own): 2, and no broken message is left on it.
TEST_F(RealFilesTest, MessageOnAFullFileSystemGivesTwoAndIsRemoved) {
  PutPages(2, 300000);
  const std::string small = dir_ + "/small";
  fs::create_directory(small);
  params_.eml_file_name = small + "/out.eml";
  const int result = InChild([&] {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0) {
      return kCannotSetUp;
    }
    const int built = Build();
    // What is left is seen only inside this mount namespace.
    const bool left = fs::exists(small + "/out.eml");
    return built * 10 + (left ? 1 : 0);
  });
  if (result == kCannotSetUp) GTEST_SKIP() << "mounting is not permitted";
  EXPECT_EQ(result, kEmlNotWritten * 10 + 0);
}

// Page files that cannot be read: result 1 and a message that ends after
// that page's headers. None of them makes the run wait.
TEST_F(RealFilesTest, UnreadablePageFilesEndTheMessageThere) {
  const struct {
    const char* name;
    bool unprivileged;
    std::function<void(const std::string&)> spoil;
  } cases[] = {
      {"a folder", false,
       [](const std::string& page) {
         fs::remove(page);
         fs::create_directory(page);
       }},
      {"a FIFO: no wait for a writer", false,
       [](const std::string& page) {
         fs::remove(page);
         ::mkfifo(page.c_str(), 0644);
       }},
      {"no right to read it", true,
       [](const std::string& page) { ::chmod(page.c_str(), 0); }},
  };
  ::chmod(dir_.c_str(), 0777);  // an unprivileged user writes the message
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(Page(2));
    PutPages(3);
    c.spoil(Page(2));
    const int result = InChild([&] {
      if (c.unprivileged && !DropPrivileges()) return kCannotSetUp;
      return static_cast<int>(Build());
    });
    if (result == kCannotSetUp) continue;
    EXPECT_EQ(result, kEmlUnreadable);
    const std::string eml = Get(params_.eml_file_name);
    EXPECT_TRUE(eml.ends_with(Base64Lines(SomeBytes(1000, 1)) + "\r\n" +
                              PagePartHeaders(2)));
    EXPECT_EQ(Get(Page(3)), SomeBytes(1000, 3));
  }
}

// A pipe between a parent and a child process; each keeps the end it uses.
// A read returns nothing once the other side has gone, so a child that dies
// never leaves its parent waiting.
class Pipe {
 public:
  Pipe() {
    if (::pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
  }
  ~Pipe() {
    KeepReadEnd();
    KeepWriteEnd();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  void KeepReadEnd() { Close(1); }
  void KeepWriteEnd() { Close(0); }
  void Send(char c) { (void)!::write(fds_[1], &c, 1); }
  // The next byte, or 0 when the writing side has gone.
  char Receive() {
    char c = 0;
    return ::read(fds_[0], &c, 1) == 1 ? c : 0;
  }

 private:
  void Close(int end) {
    if (fds_[end] >= 0) ::close(fds_[end]);
    fds_[end] = -1;
  }
  int fds_[2];
};

// A page that another process holds open for writing (its advisory lock) is
// not read: result 1. Pages of 0 and 22 bytes are whole pages: result 0.
TEST_F(RealFilesTest, PageHeldByAnotherProcessAndEmptyPages) {
  PutPages(2);
  Pipe ready;
  Pipe release;
  const pid_t holder = ::fork();
  if (holder == 0) {
    ::alarm(60);
    ready.KeepWriteEnd();
    release.KeepReadEnd();
    const int fd = ::open(Page(2).c_str(), O_WRONLY);
    ready.Send(::flock(fd, LOCK_EX) == 0 ? 'y' : 'n');
    release.Receive();  // until the parent lets go
    ::_exit(0);
  }
  ready.KeepReadEnd();
  release.KeepWriteEnd();
  ASSERT_EQ(ready.Receive(), 'y');
  EXPECT_EQ(Build(), kEmlUnreadable);
  EXPECT_TRUE(Get(params_.eml_file_name).ends_with(PagePartHeaders(2)));
  release.KeepReadEnd();  // closes the last write end: the holder ends
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(Build(), kEmlDone);  // released: the page is read again

  params_.content_mode = 0;  // the RTF document reads the pages too
  for (std::size_t size : {0u, 22u}) {
    SCOPED_TRACE(size);
    Put(Page(1), std::string(size, '\x01'));
    Put(Page(2), std::string(size, '\x02'));
    EXPECT_EQ(Build(), kEmlDone);
    const std::string eml = Get(params_.eml_file_name);
    EXPECT_TRUE(eml.ends_with(kClosingLine));
    EXPECT_NE(eml.find("Content-ID: <2>\r\n\r\n" +
                       Base64Lines(std::string(size, '\x02'))),
              std::string::npos);
  }
}

// An Env that passes everything to `base`, but stops before it opens the
// first page file until told to go on: a builder caught in the middle of
// its message.
class PausingEnv final : public Env {
 public:
  PausingEnv(Env& base, Pipe* ready, Pipe* go)
      : base_(base), ready_(ready), go_(go) {}

  int OpenForReading(std::string_view path,
                     std::unique_ptr<SequentialFile>* file) override {
    if (path.ends_with(".WMF") && ready_ != nullptr) {
      ready_->Send('r');
      go_->Receive();
      ready_ = nullptr;
    }
    return base_.OpenForReading(path, file);
  }
  int CreateForWriting(std::string_view path,
                       std::unique_ptr<WritableFile>* file) override {
    return base_.CreateForWriting(path, file);
  }
  int DeleteFile(std::string_view path) override {
    return base_.DeleteFile(path);
  }
  int CopyFile(std::string_view from, std::string_view to) override {
    return base_.CopyFile(from, to);
  }
  int CreateFolder(std::string_view path) override {
    return base_.CreateFolder(path);
  }
  std::string CurrentDirectory() override { return base_.CurrentDirectory(); }
  std::string CommandTail() override { return base_.CommandTail(); }
  LocalTime Now() override { return base_.Now(); }
  std::int64_t RandomBetween(std::int64_t low, std::int64_t high) override {
    return base_.RandomBetween(low, high);
  }
  int ShowMessageBox(const MessageBox& box) override {
    return base_.ShowMessageBox(box);
  }
  void Stop(std::string_view final_text) override { base_.Stop(final_text); }
  void RestorePointer() override { base_.RestorePointer(); }
  std::unique_ptr<KeyedFile> NewKeyedFile(std::string_view name,
                                          const RecordLayout& layout) override {
    return base_.NewKeyedFile(name, layout);
  }

 private:
  Env& base_;
  Pipe* ready_;
  Pipe* go_;
};

// Two builders with the same message path at once: the one that holds the
// file wins, the other gets 2 and touches nothing; the file is the first
// builder's message, whole, with nothing of the second in it.
TEST_F(RealFilesTest, SecondBuilderOfTheSameMessageGivesTwo) {
  PutPages(2);
  Pipe ready;
  Pipe go;
  const pid_t first = ::fork();
  if (first == 0) {
    ::alarm(60);
    ready.KeepWriteEnd();
    go.KeepReadEnd();
    PausingEnv pausing(env_, &ready, &go);
    ::_exit(MakeEMLFile(pausing, state_, params_));
  }
  ready.KeepReadEnd();
  go.KeepWriteEnd();
  ASSERT_EQ(ready.Receive(), 'r');  // the first holds its message file

  params_.mail_subject = "Second";
  EXPECT_EQ(Build(), kEmlNotWritten);

  go.Send('g');
  int status = 0;
  ASSERT_EQ(::waitpid(first, &status, 0), first);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kEmlDone);
  const std::string eml = Get(params_.eml_file_name);
  EXPECT_NE(eml.find("Subject: First\r\n"), std::string::npos);
  EXPECT_EQ(eml.find("Second"), std::string::npos);
  EXPECT_EQ(eml.find("------=_1_--"), eml.size() - 14);
}

// A builder whose new message file is deleted before it could lock it (by
// another builder of the same message, making its own) gives 2 and writes
// nothing: a file that no name leads to is not taken for the message, which
// would be lost with all it held.
TEST_F(RealFilesTest, MessageDeletedBeforeItsLockGivesTwo) {
  PutPages(1);
  delete_before_lock = params_.eml_file_name;
  EXPECT_EQ(Build(), kEmlNotWritten);
  EXPECT_TRUE(delete_before_lock.empty());  // that moment came
  EXPECT_FALSE(fs::exists(params_.eml_file_name));
  EXPECT_EQ(Build(), kEmlDone);  // undisturbed, the next builder writes
}

#endif  // _WIN32

}  // namespace
}  // namespace vellaro
