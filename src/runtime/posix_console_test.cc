#include "runtime/posix_console.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace vellaro {
namespace {

const MessageBox kQuestion{"Invalid Key",
                           "GOODS.db key file is invalid.  Do you want to "
                           "rebuild the key?",
                           BoxIcon::kQuestion, BoxButtons::kYesNo, kAnswerYes};

TEST(PosixConsoleTest, WithoutATerminalTheDefaultIsTakenAndNothingRead) {
  std::ostringstream out;
  std::istringstream in("n\n");
  EXPECT_EQ(ShowConsoleBox(kQuestion, out, in, /*interactive=*/false),
            kAnswerYes);
  EXPECT_EQ(out.str(),
            "\n== Question: Invalid Key ==\n"
            "GOODS.db key file is invalid.  Do you want to rebuild the key?\n"
            "   [ Yes ]    No\n"
            "Answer: Yes (default; no terminal to ask)\n");
  EXPECT_EQ(in.tellg(), 0);
}

TEST(PosixConsoleTest, OnATerminalTheAnswerIsAskedUntilItNamesAButton) {
  struct Case {
    const char* typed;
    int answer;
  };
  const Case kCases[] = {
      {"maybe\nno\n", kAnswerNo},
      {"  y\n", kAnswerYes},
      {"\n", kAnswerYes},
      {"", kAnswerYes},  // end of input
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.typed);
    std::ostringstream out;
    std::istringstream in(c.typed);
    EXPECT_EQ(ShowConsoleBox(kQuestion, out, in, ConsoleStyle{true, 0}),
              c.answer);
    EXPECT_NE(out.str().find("Type Y for Yes or N for No (Enter: Yes): "),
              std::string::npos);
  }
}

TEST(PosixConsoleTest, OkBoxOnATerminalWaitsForAnyLine) {
  MessageBox box{"Vellaro", "Disk Error", BoxIcon::kStop, BoxButtons::kOk,
                 kAnswerOk};
  std::ostringstream out;
  std::istringstream in("whatever\nmore\n");
  EXPECT_EQ(ShowConsoleBox(box, out, in, ConsoleStyle{true, 0}), kAnswerOk);
  EXPECT_EQ(out.str(),
            "\n== Error: Vellaro ==\nDisk Error\n   [ OK ]\n"
            "Press Enter for OK: ");
}

TEST(PosixConsoleTest, WrapBreaksAtBlanksAndCutsOverlongWords) {
  struct Case {
    const char* text;
    std::size_t width;
    const char* wrapped;
  };
  const Case kCases[] = {
      {"aaa bbb ccc", 0, "aaa bbb ccc"},
      {"aaa bbb ccc", 7, "aaa bbb\nccc"},
      {"aaa bbb ccc", 11, "aaa bbb ccc"},
      {"end.  Next one", 5, "end.\nNext\none"},
      {"abcdefghij", 4, "abcd\nefgh\nij"},
      {"ab cd\nef gh", 3, "ab\ncd\nef\ngh"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(WrapText(c.text, c.width), c.wrapped) << c.text;
  }
}

}  // namespace
}  // namespace vellaro
