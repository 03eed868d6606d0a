#include "runtime/buffered_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/mem_env.h"

namespace vellaro {
namespace {

constexpr std::size_t kBlock = BufferedWriter::kCapacity;

class BufferedWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { env_.PutFolder("/w"); }

  std::unique_ptr<BufferedWriter> Open() {
    std::unique_ptr<WritableFile> file;
    EXPECT_EQ(env_.CreateForWriting("/w/out", &file), kOk);
    return std::make_unique<BufferedWriter>(std::move(file));
  }

  MemEnv env_;
};

// `n` bytes that differ from one position to the next, so a block written
// twice, dropped or out of order shows.
std::string Pattern(std::size_t n, std::size_t seed) {
  std::string text(n, '\0');
  for (std::size_t i = 0; i < n; ++i) {
    text[i] = static_cast<char>('A' + (seed * 7 + i * 13 + i / 251) % 26);
  }
  return text;
}

// Small appends, appends larger than the buffer, and bytes put straight
// into the buffer through Reserve and Room, mixed over several buffers
// (so that full buffers are written behind while the next one fills):
// the file holds every byte once, in order.
// Collects what a tap is shown.
class Collector final : public ByteSink {
 public:
  void Take(std::string_view data) override { seen.append(data); }
  std::string seen;
};

TEST_F(BufferedWriterTest, EveryWayOfAppendingKeepsTheOrder) {
  auto out = Open();
  Collector tap;
  out->set_tap(&tap);
  std::string expected;
  for (std::size_t round = 0; round < 12; ++round) {
    const std::string small = Pattern(100 + round, round);
    out->Append(small);
    expected += small;

    const std::string large =
        Pattern(round % 3 == 0 ? kBlock + 17 : 5000, round + 100);
    out->Append(large);
    expected += large;

    const std::string reserved = Pattern(kBlock / 3, round + 200);
    std::memcpy(out->Reserve(reserved.size()), reserved.data(),
                reserved.size());
    out->Commit(reserved.size());
    expected += reserved;

    std::span<char> room = out->Room(4096);
    const std::string filled = Pattern(room.size() / 2, round + 300);
    std::memcpy(room.data(), filled.data(), filled.size());
    out->Commit(filled.size());
    expected += filled;
  }
  EXPECT_EQ(out->size(), expected.size());
  ASSERT_EQ(out->Close(), kOk);
  EXPECT_EQ(env_.FileContents("/w/out"), expected);
  EXPECT_EQ(tap.seen, expected);
}

// Rewinding takes back bytes still in the buffer and bytes already in the
// file alike; appending goes on from the point rewound to.
TEST_F(BufferedWriterTest, RewindTakesBackWhatFollowsAPoint) {
  auto out = Open();
  out->Append("kept");
  const std::uint64_t mark = out->size();
  out->Append("taken back");
  out->Rewind(mark);
  out->Append(", then more");
  EXPECT_EQ(out->size(), 15u);

  const std::uint64_t far_mark = out->size();
  for (std::size_t i = 0; i < 5; ++i) out->Append(Pattern(kBlock / 2 + 1, i));
  out->Rewind(far_mark);
  out->Append(" and the end");
  ASSERT_EQ(out->Close(), kOk);
  EXPECT_EQ(env_.FileContents("/w/out"), "kept, then more and the end");
}

// Flush waits for the block on its way: what follows it in the file is
// only written after it.
TEST_F(BufferedWriterTest, FlushWritesEverythingAppendedBefore) {
  auto out = Open();
  const std::string first = Pattern(3 * kBlock + 5, 1);
  for (char c : first) out->Append(std::string_view(&c, 1));
  out->Flush();
  EXPECT_EQ(env_.FileContents("/w/out"), first);
  out->Append("tail");
  ASSERT_EQ(out->Close(), kOk);
  EXPECT_EQ(env_.FileContents("/w/out"), first + "tail");
}

// A write that fails on the worker is reported by Flush and Close, and
// nothing appended after it reaches the file.
TEST_F(BufferedWriterTest, AFailedWriteBehindIsReportedAndSticky) {
  const std::size_t piece = kBlock / 2 + 1;  // one piece fills a buffer
  env_.SetDiskCapacity(4 * piece + 10);
  auto out = Open();
  std::string written;
  for (std::size_t i = 0; i < 10; ++i) {
    const std::string data = Pattern(piece, i);
    out->Append(data);
    if (i < 4) written += data;
  }
  out->Flush();
  EXPECT_FALSE(out->ok());
  EXPECT_EQ(out->error(), kFileSystemError);
  out->Append("more");
  EXPECT_EQ(out->Close(), kFileSystemError);
  EXPECT_EQ(env_.FileContents("/w/out"), written);
}

// A write that failed after the point rewound to goes with the bytes taken
// back: the writer is sound again. One that failed before it stays.
TEST_F(BufferedWriterTest, RewindUndoesAFailureOnlyPastThePoint) {
  const std::size_t piece = kBlock / 2 + 1;  // one piece fills a buffer
  env_.SetDiskCapacity(3 * piece);
  auto out = Open();
  out->Append(Pattern(piece, 1));
  const std::uint64_t mark = out->size();
  for (std::size_t i = 0; i < 4; ++i) out->Append(Pattern(piece, 2 + i));
  out->Flush();
  ASSERT_FALSE(out->ok());
  out->Rewind(mark);
  EXPECT_TRUE(out->ok());
  out->Append("the end");
  ASSERT_EQ(out->Close(), kOk);
  EXPECT_EQ(env_.FileContents("/w/out"), Pattern(piece, 1) + "the end");

  out = Open();
  for (std::size_t i = 0; i < 4; ++i) out->Append(Pattern(piece, i));
  out->Flush();
  ASSERT_FALSE(out->ok());
  out->Rewind(4 * piece - 1);
  EXPECT_FALSE(out->ok());
  EXPECT_EQ(out->Close(), kFileSystemError);
}

}  // namespace
}  // namespace vellaro
