#include "runtime/win32_text.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/win32_windows.h"

namespace vellaro {
namespace {

TEST(CommandTailOfTest, SkipsTheProgramTokenAndKeepsTheRestAsWritten) {
  struct Case {
    const wchar_t* command_line;
    const wchar_t* tail;
  };
  const Case cases[] = {
      {L"vellaro.exe 5 MakeEMLFileSW('a.eml','1')",
       L"5 MakeEMLFileSW('a.eml','1')"},
      // A quoted program path may hold blanks.
      {L"\"C:\\Program Files\\Vellaro\\vellaro.exe\" 5 X('a b')",
       L"5 X('a b')"},
      {L"C:\\\"Program Files\"\\vellaro.exe 5", L"5"},
      // White space before and after the program token goes; inside and at
      // the end of the tail it stays, and so do the tail's quotes.
      {L"  \t vellaro \t  \"5\"  X('a''b',  \"c\")  ",
       L"\"5\"  X('a''b',  \"c\")  "},
      {L"vellaro", L""},
      {L"vellaro   ", L""},
      {L"", L""},
      // An unclosed quote takes the rest of the line into the program token.
      {L"\"C:\\Program Files\\vellaro.exe 5 X()", L""},
      // A quote in the tail does not reach back into the program token.
      {L"vellaro \"5 X()\"", L"\"5 X()\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommandTailOf(c.command_line), std::wstring_view(c.tail))
        << "command line: " << AnsiFromWide(c.command_line);
  }
}

TEST(AnsiTextTest, EveryByteOfTheCodePageComesBackUnchanged) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  if (::GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8";
  bool exact = false;
  EXPECT_EQ(AnsiFromWide(WideFromAnsi(all), &exact), all);
  EXPECT_TRUE(exact);
}

TEST(AnsiTextTest, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  if (::GetACP() != 1252) GTEST_SKIP() << "needs code page 1252";
  EXPECT_EQ(WideFromAnsi("Caf\xE9 \x80"), L"Caf\u00e9 \u20ac");
  struct Case {
    const wchar_t* wide;
    const char* ansi;
    bool exact;
  };
  const Case cases[] = {
      {L"Caf\u00e9", "Caf\xE9", true},
      {L"\u221e", "?", false},  // no best fit to "8"
      // A full-width quote and apostrophe must not turn into the ones that
      // delimit a call's arguments.
      {L"X(\uff02a\uff02,\uff07b\uff07)", "X(?a?,?b?)", false},
      {L"\u3042", "?", false},
  };
  for (const Case& c : cases) {
    bool exact = !c.exact;
    EXPECT_EQ(AnsiFromWide(c.wide, &exact), c.ansi);
    EXPECT_EQ(exact, c.exact) << c.ansi;
  }
}

TEST(Utf8TextTest, FileNamesForTheDataFileDriver) {
  EXPECT_EQ(Utf8FromWide(L"GOODS\u00e9\u20ac.db"),
            "GOODS\xC3\xA9\xE2\x82\xAC.db");
  EXPECT_EQ(Utf8FromWide(L""), "");
}

}  // namespace
}  // namespace vellaro
