// The POSIX backend against a real file system in a temporary folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/env.h"

namespace vellaro {
namespace {

namespace fs = std::filesystem;

class PosixEnvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vellaro_env_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  static void Put(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
  }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::string ReadAll(SequentialFile& file) {
    std::string data;
    char block[7];
    std::size_t got = 0;
    while (file.Read(block, sizeof block, &got) == kOk && got > 0) {
      data.append(block, got);
    }
    return data;
  }

  Env& env_ = *NativeEnv(0, nullptr);
  std::string dir_;
};

TEST_F(PosixEnvTest, WriteThenReadWithBackslashPaths) {
  std::unique_ptr<WritableFile> out;
  ASSERT_EQ(env_.CreateForWriting(dir_ + "\\a.txt", &out), kOk);
  ASSERT_EQ(out->Append("hello, "), kOk);
  ASSERT_EQ(out->Append("world"), kOk);
  ASSERT_EQ(out->Close(), kOk);
  std::unique_ptr<SequentialFile> in;
  ASSERT_EQ(env_.OpenForReading(Path("a.txt"), &in), kOk);
  EXPECT_EQ(ReadAll(*in), "hello, world");
}

TEST_F(PosixEnvTest, CreateReplacesContents) {
  Put(Path("a.txt"), "old contents");
  std::unique_ptr<WritableFile> out;
  ASSERT_EQ(env_.CreateForWriting(Path("a.txt"), &out), kOk);
  out->Append("new");
  out->Close();
  EXPECT_EQ(Get(Path("a.txt")), "new");
}

TEST_F(PosixEnvTest, OtherWritersAreDenied) {
  Put(Path("a.txt"), "data");
  std::unique_ptr<WritableFile> writer;
  ASSERT_EQ(env_.CreateForWriting(Path("a.txt"), &writer), kOk);
  writer->Append("kept");

  std::unique_ptr<WritableFile> second;
  EXPECT_EQ(env_.CreateForWriting(Path("a.txt"), &second), kFileIsLocked);
  std::unique_ptr<SequentialFile> reader;
  EXPECT_EQ(env_.OpenForReading(Path("a.txt"), &reader), kFileIsLocked);
  EXPECT_EQ(env_.DeleteFile(Path("a.txt")), kFileIsLocked);
  writer->Close();
  EXPECT_EQ(Get(Path("a.txt")), "kept");  // never emptied by the refused open
}

TEST_F(PosixEnvTest, ReadersShareButKeepWritersOut) {
  Put(Path("a.txt"), "data");
  ::chmod(Path("a.txt").c_str(), 0444);
  std::unique_ptr<SequentialFile> r1, r2;
  ASSERT_EQ(env_.OpenForReading(Path("a.txt"), &r1), kOk);
  ASSERT_EQ(env_.OpenForReading(Path("a.txt"), &r2), kOk);
  std::unique_ptr<WritableFile> writer;
  EXPECT_EQ(env_.CreateForWriting(Path("a.txt"), &writer), kFileIsLocked);
  EXPECT_EQ(ReadAll(*r1), "data");
}

TEST_F(PosixEnvTest, AnotherProcessCannotWriteAHeldFile) {
  std::unique_ptr<WritableFile> writer;
  ASSERT_EQ(env_.CreateForWriting(Path("held.eml"), &writer), kOk);
  pid_t child = ::fork();
  if (child == 0) {
    std::unique_ptr<WritableFile> other;
    int code = env_.CreateForWriting(Path("held.eml"), &other);
    ::_exit(code == kFileIsLocked ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(PosixEnvTest, OnlyRegularFilesAreOpenedOrDeleted) {
  fs::create_directory(Path("folder"));
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0666), 0);
  std::unique_ptr<SequentialFile> in;
  std::unique_ptr<WritableFile> out;
  EXPECT_EQ(env_.OpenForReading(Path("folder"), &in), kAccessDenied);
  EXPECT_EQ(env_.OpenForReading(Path("fifo"), &in), kAccessDenied);
  EXPECT_EQ(env_.CreateForWriting(Path("folder"), &out), kAccessDenied);
  EXPECT_EQ(env_.CreateForWriting(Path("fifo"), &out), kAccessDenied);
  EXPECT_EQ(env_.DeleteFile(Path("folder")), kAccessDenied);
  EXPECT_EQ(env_.DeleteFile(Path("fifo")), kAccessDenied);
  EXPECT_TRUE(fs::exists(Path("folder")));
  EXPECT_EQ(env_.OpenForReading(Path("missing"), &in), kFileNotFound);
  EXPECT_EQ(env_.DeleteFile(Path("missing")), kFileNotFound);
}

TEST_F(PosixEnvTest, CopyReplacesTargetButNeverItsOwnSource) {
  Put(Path("a.rtf"), "document");
  Put(Path("b.rtf"), "older and longer");
  EXPECT_EQ(env_.CopyFile(Path("a.rtf"), dir_ + "\\b.rtf"), kOk);
  EXPECT_EQ(Get(Path("b.rtf")), "document");
  EXPECT_NE(env_.CopyFile(Path("a.rtf"), Path("a.rtf")), kOk);
  EXPECT_EQ(Get(Path("a.rtf")), "document");
  EXPECT_NE(env_.CopyFile(Path("missing"), Path("c.rtf")), kOk);
  EXPECT_FALSE(fs::exists(Path("c.rtf")));
}

// Large files reserve disk blocks ahead of their data while they are
// written and copied; once closed, each holds exactly its bytes and no
// blocks reserved past its end.
TEST_F(PosixEnvTest, LargeFilesAndCopiesKeepNoReservedBlocks) {
  std::string data;
  for (int i = 0; data.size() < (5u << 20) + 3; ++i) {
    data += std::to_string(i) + ",";
  }
  std::unique_ptr<WritableFile> out;
  ASSERT_EQ(env_.CreateForWriting(Path("big.rtf"), &out), kOk);
  for (std::size_t at = 0; at < data.size(); at += 65536) {
    ASSERT_EQ(out->Append(std::string_view(data).substr(at, 65536)), kOk);
  }
  ASSERT_EQ(out->Close(), kOk);
  Put(Path("empty.rtf"), "");
  ASSERT_EQ(env_.CopyFile(Path("big.rtf"), Path("copy.rtf")), kOk);
  ASSERT_EQ(env_.CopyFile(Path("empty.rtf"), Path("empty copy.rtf")), kOk);

  EXPECT_EQ(Get(Path("big.rtf")), data);
  EXPECT_EQ(Get(Path("copy.rtf")), data);
  EXPECT_EQ(Get(Path("empty copy.rtf")), "");
  for (const char* name : {"big.rtf", "copy.rtf"}) {
    struct stat st;
    ASSERT_EQ(::stat(Path(name).c_str(), &st), 0);
    EXPECT_EQ(static_cast<std::size_t>(st.st_size), data.size()) << name;
    // Whole blocks of the data, and a little room for the file system's
    // own bookkeeping; far less than the reservations made on the way.
    EXPECT_LE(st.st_blocks * 512, st.st_size + (256 << 10)) << name;
  }
}

TEST_F(PosixEnvTest, TruncateCutsBackAndAppendingGoesOnFromThere) {
  std::unique_ptr<WritableFile> out;
  ASSERT_EQ(env_.CreateForWriting(Path("cut.eml"), &out), kOk);
  const std::string big(3 << 20, 'x');  // past the first reservation
  ASSERT_EQ(out->Append("head,"), kOk);
  ASSERT_EQ(out->Append(big), kOk);
  ASSERT_EQ(out->Truncate(5), kOk);
  ASSERT_EQ(out->Append("tail"), kOk);
  ASSERT_EQ(out->Close(), kOk);
  EXPECT_EQ(Get(Path("cut.eml")), "head,tail");
  struct stat st;
  ASSERT_EQ(::stat(Path("cut.eml").c_str(), &st), 0);
  EXPECT_LE(st.st_blocks * 512, 256 << 10);
}

TEST_F(PosixEnvTest, FoldersAndCurrentDirectory) {
  EXPECT_EQ(env_.CreateFolder(dir_ + "\\KQ\\"), kOk);
  EXPECT_TRUE(fs::is_directory(Path("KQ")));
  EXPECT_NE(env_.CreateFolder(Path("KQ")), kOk);
  EXPECT_NE(env_.CreateFolder(Path("x/y")), kOk);
  std::string cwd = env_.CurrentDirectory();
  EXPECT_FALSE(cwd.empty());
  EXPECT_NE(cwd.back(), '/');
}

TEST_F(PosixEnvTest, RandomStaysInRange) {
  for (int i = 0; i < 1000; ++i) {
    std::int64_t v = env_.RandomBetween(1111111111, 1410065407);
    ASSERT_GE(v, 1111111111);
    ASSERT_LE(v, 1410065407);
  }
}

}  // namespace
}  // namespace vellaro
