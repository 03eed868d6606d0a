#include "shell/command_tail.h"

#include <gtest/gtest.h>

#include <string>

namespace vellaro {
namespace {

TEST(CommandTailTest, CommandTextIsCutAt10000Characters) {
  EXPECT_EQ(CommandText("5 F('a')"), "5 F('a')");
  std::string tail = "5 F('" + std::string(9990, 'x') + "')";
  EXPECT_EQ(CommandText(tail), tail.substr(0, 10000));
}

TEST(CommandTailTest, InstanceNumberFromTheFirstToken) {
  struct Case {
    const char* text;
    int instance;
  };
  const Case cases[] = {
      {"5 F('a')", 5},     {"12 3 F('a')", 12}, {"300 F('a')", 44},
      {"12,3 F('a')", 12}, {"F('a')", 0},       {"", 0},
      {"  7 F('a')", 7},   {"-1 F('a')", 255},  {"1.9 F('a')", 1},
      {"\"8\" F('a')", 8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InstanceNumber(c.text), c.instance) << "[" << c.text << "]";
  }
}

TEST(CommandTailTest, CallTextLosesLeadingNumbersAndOuterBlanks) {
  struct Case {
    std::string text;
    std::string call;
  };
  const Case cases[] = {
      {"5 F('a')", "F('a')"},
      {"12 3 F('a')  ", "F('a')"},
      {"F('1 2')", "F('1 2')"},
      {"   F('a') ", "F('a')"},
      {"12,3 F('a')", ",3 F('a')"},
      {"-5 F('a')", "-5 F('a')"},
      {"1.5 F('a')", ".5 F('a')"},
      {"5\tF('a')", "\tF('a')"},
      {"5", ""},
      {"", ""},
      // Only positions 1 to 100 are scanned.
      {std::string(99, '1') + " F('a')", "F('a')"},
      {std::string(100, '1') + "2 F('a')", "2 F('a')"},
      {std::string(100, ' ') + "2 F('a')", "2 F('a')"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CallText(c.text), c.call) << "[" << c.text << "]";
  }
}

}  // namespace
}  // namespace vellaro
