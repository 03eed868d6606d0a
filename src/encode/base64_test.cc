#include "encode/base64.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "encode/reference_encoders.h"
#include "runtime/mem_env.h"

namespace vellaro {
namespace {

constexpr char kMessage[] = "/w/out.eml";
constexpr char kSource[] = "/w/src.bin";

std::string RandomBytes(std::size_t n, std::mt19937& rng) {
  std::string data(n, '\0');
  for (char& c : data) c = static_cast<char>(rng() & 0xFF);
  return data;
}

// A message file with a part header already written, as the builder leaves
// it before calling the encoder.
class Base64Test : public ::testing::Test {
 protected:
  void SetUp() override { NewMessage(); }

  // Starts the message file afresh (each case of a table gets its own).
  void NewMessage() {
    out_.reset();
    env_.PutFolder("/w");
    std::unique_ptr<WritableFile> file;
    ASSERT_EQ(env_.CreateForWriting(kMessage, &file), kOk);
    out_ = std::make_unique<LineWriter>(std::move(file));
    out_->AppendLine("Content-Transfer-Encoding: base64");
    out_->AppendEmptyLine();
  }

  // Encodes `path` and returns the text the encoder appended.
  std::string Encode(std::string_view path, std::uint8_t expected_result = 0) {
    EXPECT_EQ(EncodeFileBase64(env_, path, *out_), expected_result);
    EXPECT_EQ(out_->Close(), kOk);
    const std::string all = env_.FileContents(kMessage);
    return all.substr(kPrologue.size());
  }

  std::string EncodeBytes(const std::string& data) {
    env_.PutFile(kSource, data);
    return Encode(kSource);
  }

  static inline const std::string kPrologue =
      "Content-Transfer-Encoding: base64\r\n\r\n";
  MemEnv env_;
  std::unique_ptr<LineWriter> out_;
};

TEST_F(Base64Test, ShortFilesAndLineEnds) {
  const std::string line57(76, 'A');  // 57 zero bytes
  const struct {
    std::string data;
    std::string expected;
  } cases[] = {
      {"", "\r\n"},
      {"M", "TQ==\r\n"},
      {"Ma", "TWE=\r\n"},
      {"Man", "TWFu\r\n"},
      {std::string("\xFF\xEF\x00", 3), "/+8A\r\n"},
      {std::string(57, '\0'), line57 + "\r\n\r\n"},
      {std::string(58, '\0'), line57 + "\r\nAA==\r\n"},
  };
  for (const auto& c : cases) {
    NewMessage();
    EXPECT_EQ(EncodeBytes(c.data), c.expected) << c.data.size() << " bytes";
  }
}

TEST_F(Base64Test, MatchesByteAtATimeEncoderAcrossBlockBoundaries) {
  std::mt19937 rng(20240611);
  const std::size_t sizes[] = {
      56,     57 * 2 - 1, 57 * 2,        57 * 2 + 1,         65535,
      65536,  65537,      65536 + 57,    57 * 1150,          57 * 1150 + 1,
      131071, 131072 + 3, 57 * 2300 - 1, 3 * 1024 * 1024 + 7};
  for (std::size_t size : sizes) {
    NewMessage();
    const std::string data = RandomBytes(size, rng);
    EXPECT_EQ(EncodeBytes(data), ReferenceBase64(data)) << size << " bytes";
  }
}

// Bytes that arrive in pieces of any sizes give the text of a file that
// holds them: pieces shorter than a line, pieces that end a few bytes into
// a line (inside the encoder's read-ahead) and pieces of many lines.
TEST_F(Base64Test, StreamInPiecesMatchesTheWholeFile) {
  std::mt19937 rng(57);
  const std::string data = RandomBytes(300000 + 13, rng);
  const std::vector<std::size_t> piece_sizes[] = {{1},
                                                  {2, 55},
                                                  {56, 58, 1},
                                                  {57},
                                                  {60, 61, 73, 16},
                                                  {57 * 3 + 15},
                                                  {57 * 3 + 16, 3},
                                                  {65536},
                                                  {100000, 1, 7},
                                                  {0, 300013}};
  for (const auto& sizes : piece_sizes) {
    NewMessage();
    Base64Stream stream(*out_);
    std::size_t at = 0;
    for (std::size_t i = 0; at < data.size(); ++i) {
      const std::size_t n = std::min(sizes[i % sizes.size()], data.size() - at);
      stream.Take(std::string_view(data).substr(at, n));
      at += n;
    }
    stream.Finish();
    ASSERT_EQ(out_->Close(), kOk);
    EXPECT_EQ(env_.FileContents(kMessage).substr(kPrologue.size()),
              ReferenceBase64(data))
        << "pieces of " << sizes.front() << " bytes first";
  }
}

TEST_F(Base64Test, ReadsAndWritesInBlocks) {
  std::mt19937 rng(7);
  const std::string data = RandomBytes(4 * 1024 * 1024, rng);
  env_.PutFile(kSource, data);
  const std::uint64_t reads_before = env_.read_calls();
  ASSERT_EQ(EncodeFileBase64(env_, kSource, *out_), 0);
  ASSERT_EQ(out_->Close(), kOk);
  // 64 blocks of 64 KiB plus the read that finds the end.
  EXPECT_LE(env_.read_calls() - reads_before, 65u);
  // About 5.6 MB of output in large writes.
  EXPECT_LE(env_.append_calls(), 100u);
}

TEST_F(Base64Test, ReadErrorMidFileFinishesWhatWasRead) {
  std::mt19937 rng(3);
  const std::string data = RandomBytes(200000, rng);
  env_.PutFile(kSource, data);
  env_.FailReadsAfter(kSource, 100001);  // 100001 = 57 * 1754 + 23
  EXPECT_EQ(Encode(kSource), ReferenceBase64(data.substr(0, 100001)));
}

TEST_F(Base64Test, UnopenableSourceLeavesMessageUntouched) {
  env_.PutFile("/w/held.bin", "data");
  env_.HoldForWriting("/w/held.bin");
  for (const char* path : {"/w/missing.bin", "   ", "/w/held.bin", "/w"}) {
    NewMessage();
    EXPECT_EQ(Encode(path, 1), "") << path;
  }
}

TEST_F(Base64Test, TrailingBlanksNameTheSameFile) {
  env_.PutFile(kSource, "Man");
  EXPECT_EQ(Encode(std::string(kSource) + "     "), "TWFu\r\n");
}

}  // namespace
}  // namespace vellaro
