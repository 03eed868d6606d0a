#include "shell/call_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellaro {
namespace {

// The argument texts of a call text that must parse as a call.
std::vector<std::string> ArgumentsOf(const std::string& text) {
  std::optional<CallExpression> parsed = ParseCallExpression(text);
  EXPECT_TRUE(parsed.has_value()) << "[" << text << "]";
  if (!parsed) return {};
  EXPECT_TRUE(parsed->is_call) << "[" << text << "]";
  return parsed->arguments;
}

// The text one argument passes, in a call F(argument).
std::string ArgumentText(const std::string& argument) {
  std::vector<std::string> arguments = ArgumentsOf("F(" + argument + ")");
  EXPECT_EQ(arguments.size(), 1u) << argument;
  return arguments.empty() ? "<none>" : arguments[0];
}

TEST(CallParserTest, CallFormsReadTheSameArguments) {
  const std::vector<std::string> expected = {"C:\\Mail\\out.eml", "3"};
  const char* texts[] = {
      "MakeEMLFileSW('C:\\Mail\\out.eml',3)",
      "makeemlfilesw('C:\\Mail\\out.eml','3')",
      "  MakeEMLFileSW ( 'C:\\Mail\\out.eml' , 3 )  ",
      "\tMakeEMLFileSW\t(\t'C:\\Mail\\out.eml'\t,\t3\t)",
  };
  for (const char* text : texts) {
    std::optional<CallExpression> parsed = ParseCallExpression(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    EXPECT_TRUE(parsed->is_call);
    EXPECT_EQ(parsed->arguments, expected) << text;
  }
  EXPECT_EQ(ParseCallExpression("makeEMLfileSW('a')")->name, "makeEMLfileSW");
}

TEST(CallParserTest, NamesTakeTheirWholeForm) {
  const char* names[] = {"_x", "?x", "a:b_9", "Name#", "Name$", "Name\""};
  for (const char* name : names) {
    std::optional<CallExpression> parsed =
        ParseCallExpression(std::string(name) + "(1)");
    ASSERT_TRUE(parsed.has_value()) << name;
    EXPECT_EQ(parsed->name, name);
    EXPECT_TRUE(IsNameToken(name)) << name;
  }
  const char* not_names[] = {"", "9a", "a-b", "a##", "a b", ":a"};
  for (const char* text : not_names) EXPECT_FALSE(IsNameToken(text)) << text;
}

TEST(CallParserTest, StringLiteralTexts) {
  struct Case {
    std::string argument;
    std::string text;
  };
  const Case cases[] = {
      {"'It''s'", "It's"},
      {"''", ""},
      {"''''", "'"},
      {"'  padded  '", "  padded  "},
      {"'say \"hi\" \\n'", "say \"hi\" \\n"},
      {"'\xC3\xA9\x01(,)'", "\xC3\xA9\x01(,)"},
      // A sign makes the literal a number; text that is none counts as 0.
      {"-'5'", "-5"},
      {"+'5'", "5"},
      {"-' 1.50 '", "-1.5"},
      {"-'0FFH'", "-255"},
      {"+'abc'", "0"},
      {"-'5x'", "0"},
      {"-''", "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ArgumentText(c.argument), c.text) << c.argument;
  }
}

TEST(CallParserTest, NumberTexts) {
  struct Case {
    std::string argument;
    std::string text;
  };
  const Case cases[] = {
      // Whole numbers keep their exact digits.
      {"255", "255"},
      {"007", "7"},
      {"0", "0"},
      {"0FFH", "255"},
      {"0ffh", "255"},
      {"17O", "15"},
      {"17o", "15"},
      {"101B", "5"},
      {"0BH", "11"},
      {"1H", "1"},
      {"99999999999999999999", "99999999999999999999"},
      {"0FFFFFFFFFFFFFFFFFFFFH", "1208925819614629174706175"},
      {"+7", "7"},
      {"--7", "7"},
      // Fractions and negated numbers: 14 significant digits.
      {"1.50", "1.5"},
      {"2.0", "2"},
      {".25", "0.25"},
      {"-7", "-7"},
      {"- 7", "-7"},
      {"---7", "-7"},
      {"-+-+-0FFH", "-255"},
      {"-0", "0"},
      {"-0.0", "0"},
      {"2.5E3", "2500"},
      {"2.5e+3", "2500"},
      {"2.5E-3", "0.0025"},
      {"1.23456789012345", "1.2345678901235"},
      {"1.23456789012344", "1.2345678901234"},
      {"99999999999999.5", "100000000000000"},
      {"-12345678901234567", "-1.2345678901235E+16"},
      {"999999999999999.0", "1.0E+15"},
      {"1.0E-15", "0.000000000000001"},
      {"2.5E-16", "2.5E-16"},
      {"1.0E999999999999999999999", "1.0E+1000000000000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ArgumentText(c.argument), c.text) << c.argument;
  }
}

TEST(CallParserTest, ArgumentListsKeepTheirOrder) {
  std::vector<std::string> expected;
  std::string text = "F(";
  for (int i = 1; i <= 28; ++i) {
    if (i > 1) text += ",";
    text += "'" + std::to_string(i) + "'";
    expected.push_back(std::to_string(i));
  }
  EXPECT_EQ(ArgumentsOf(text + ")"), expected);
}

TEST(CallParserTest, LoneOperandIsAValueAndNoCall) {
  struct Case {
    const char* text;
    const char* value;
  };
  const Case cases[] = {{"'abc'", "abc"}, {" -5 ", "-5"}, {"0FFH", "255"}};
  for (const Case& c : cases) {
    std::optional<CallExpression> parsed = ParseCallExpression(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_FALSE(parsed->is_call);
    EXPECT_EQ(parsed->value, c.value);
  }
}

TEST(CallParserTest, MalformedTextsFail) {
  const char* texts[] = {
      "",           "   ",
      "F",          "F 'a'",
      "F()",        "F('a',,'b')",
      "F(,'a')",    "F('a',)",
      "F('a'",      "F('a' 'b')",
      "F(\"a\")",   "F('a)",
      "F('a')x",    "F('a') F('b')",
      "F('a'))",    "F('a'),",
      "F((1))",     "F(G(1))",
      "F(1+2)",     "F(-)",
      "F(1.)",      "F(.)",
      "F(1.5E)",    "F(1.5E+)",
      "F(1E5)",     "F(12B)",
      "F(8O)",      "F(0FG)",
      "F(12abc)",   "F('a')!",
      "F(!)",       "F('a')\n",
      "\x01F('a')", "F\xC3\xA9('a')",
      ",3 F('a')",  "-5 F('a')",
      "'a' 'b'",    "(1)",
  };
  for (const char* text : texts) {
    EXPECT_FALSE(ParseCallExpression(text).has_value()) << "[" << text << "]";
  }
}

}  // namespace
}  // namespace vellaro
