#include "runtime/text.h"

#include <gtest/gtest.h>

namespace vellaro {
namespace {

TEST(TextTest, ClipAndBlank) {
  EXPECT_EQ(Clip("ab  "), "ab");
  EXPECT_EQ(Clip("  ab"), "  ab");
  EXPECT_EQ(Clip("   "), "");
  EXPECT_TRUE(IsBlank(""));
  EXPECT_TRUE(IsBlank("    "));
  EXPECT_FALSE(IsBlank(" x "));
}

TEST(TextTest, FieldTextCutsBeforeClipping) {
  EXPECT_EQ(FieldText("abc   ", 256), "abc");
  EXPECT_EQ(FieldText("ab cd", 3), "ab");
  EXPECT_EQ(FieldText(std::string(300, 'x'), 256).size(), 256u);
}

TEST(TextTest, SameTextIgnoresTrailingBlanksOnly) {
  EXPECT_TRUE(SameText("High  ", "High"));
  EXPECT_FALSE(SameText("high", "High"));
  EXPECT_FALSE(SameText(" High", "High"));
}

TEST(TextTest, Decimal) {
  EXPECT_EQ(Decimal(0), "0");
  EXPECT_EQ(Decimal(-1), "-1");
  EXPECT_EQ(Decimal(1410065407), "1410065407");
}

}  // namespace
}  // namespace vellaro
