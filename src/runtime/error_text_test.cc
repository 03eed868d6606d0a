#include "runtime/error_text.h"

#include <gtest/gtest.h>

namespace vellaro {
namespace {

TEST(ErrorTextTest, KnownCodesHaveTheirTextOthersTheUnknownForm) {
  EXPECT_EQ(ErrorText(kFileNotFound), "File Not Found");
  EXPECT_EQ(ErrorText(kFileIsLocked), "File Is Already Locked");
  EXPECT_EQ(ErrorText(kKeyFileMustBeRebuilt), "Key File Must Be Rebuilt");
  EXPECT_EQ(ErrorText(kFileSystemError), "File System Error");
  EXPECT_EQ(ErrorText(78), "Invalid Number Of Parameters ");
  EXPECT_EQ(ErrorText(1), "Unknown Error Posted : 1");
  EXPECT_EQ(ErrorText(-12), "Unknown Error Posted : -12");
  EXPECT_EQ(ErrorText(kEvaluationFailed), "Unknown Error Posted : 800");
}

}  // namespace
}  // namespace vellaro
