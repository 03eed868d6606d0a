#include "runtime/command_line.h"

#include <gtest/gtest.h>

namespace vellaro {
namespace {

struct TokenCase {
  const char* tail;
  int n;
  const char* token;
};

TEST(CommandLineTest, NthToken) {
  const TokenCase cases[] = {
      {"12 3 MakeEMLFileSW('a',1)", 1, "12"},
      {"12 3 MakeEMLFileSW('a',1)", 2, "3"},
      {"12,3 MakeEMLFileSW('a',1)", 1, "12"},
      {"12,3 MakeEMLFileSW('a',1)", 2, "3"},
      {"  \t5 x", 1, "5"},
      {"-5 x", 1, "-5"},
      {"", 1, ""},
      {"5", 2, ""},
      {"\"a b\" c", 1, "a b"},
      {"\"say \"\"hi\"\"\" c", 1, "say \"hi\""},
      {"ab/cd ef", 1, "ab"},
      {"ab/cd ef", 2, "/cd"},
      {"/x y", 1, "/x"},
      {"a,,b", 2, ""},
  };
  for (const TokenCase& c : cases) {
    EXPECT_EQ(NthCommandToken(c.tail, c.n), c.token)
        << "tail [" << c.tail << "] n=" << c.n;
  }
}

TEST(CommandLineTest, JoinArgumentsWithSingleBlanks) {
  char prog[] = "vellaro", a[] = "5", b[] = "MakeEMLFileSW('x y',",
       c[] = "'1')";
  char* argv[] = {prog, a, b, c};
  EXPECT_EQ(JoinArguments(4, argv), "5 MakeEMLFileSW('x y', '1')");
  EXPECT_EQ(JoinArguments(1, argv), "");
}

}  // namespace
}  // namespace vellaro
