#include "runtime/line_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/mem_env.h"

namespace vellaro {
namespace {

class LineWriterTest : public ::testing::Test {
 protected:
  std::unique_ptr<LineWriter> Open() {
    std::unique_ptr<WritableFile> file;
    EXPECT_EQ(env_.CreateForWriting("/w/out.eml", &file), kOk);
    return std::make_unique<LineWriter>(std::move(file));
  }
  MemEnv env_;
};

TEST_F(LineWriterTest, RecordRules) {
  env_.PutFolder("/w");
  auto out = Open();
  out->AppendLine("To: a  ");
  out->AppendLine("    ");
  out->AppendLine(std::string(300, 'x'));
  out->AppendLine(std::string(255, 'y') + "  z");
  out->AppendLine("Subject: one\r\nBcc: evil\n");
  out->AppendLine({"loop=3D", "-1", " src"});
  out->AppendEmptyLine();
  ASSERT_EQ(out->Close(), kOk);
  EXPECT_EQ(env_.FileContents("/w/out.eml"),
            "To: a\r\n"
            "\r\n" +
                std::string(256, 'x') + "\r\n" + std::string(255, 'y') +
                "\r\n"
                "Subject: one  Bcc: evil\r\n"
                "loop=3D-1 src\r\n"
                "\r\n");
}

TEST_F(LineWriterTest, LargeOutputIsWrittenInBlocks) {
  env_.PutFolder("/w");
  auto out = Open();
  std::string line(76, 'A');
  for (int i = 0; i < 100000; ++i) out->AppendLine(line);
  ASSERT_EQ(out->Close(), kOk);
  EXPECT_EQ(env_.FileContents("/w/out.eml").size(), 7800000u);
  EXPECT_LT(env_.append_calls(), 200u);
}

TEST_F(LineWriterTest, FullDiskIsReportedAndSticky) {
  env_.PutFolder("/w");
  env_.SetDiskCapacity(100000);
  auto out = Open();
  for (int i = 0; i < 40000; ++i) out->AppendLine(std::string(76, 'A'));
  out->raw().Flush();
  EXPECT_FALSE(out->ok());
  out->AppendLine("after the failure");
  EXPECT_NE(out->Close(), kOk);
  EXPECT_LE(env_.FileContents("/w/out.eml").size(), 100000u);
}

}  // namespace
}  // namespace vellaro
