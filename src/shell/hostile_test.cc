// The command tail under hostile input: tails past 10000 characters, every
// byte value inside and after literals, 27 long arguments, thousands of
// signs and numbers of thousands of digits. Each tail is read the way the
// main procedure reads it, with a stand-in for MakeEMLFileSW that records
// the texts it is given; the sound outcome is a call with exactly the
// texts written, or no call at all, and never a crash or a hang.

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/app_state.h"
#include "runtime/mem_env.h"
#include "shell/binding_scope.h"
#include "shell/by_name_entry.h"
#include "shell/command_tail.h"
#include "shell/startup.h"

namespace vellaro {
namespace {

// `text` as a string literal of a call.
std::string Literal(std::string_view text) {
  std::string literal = "'";
  for (char c : text) {
    literal += c;
    if (c == '\'') literal += '\'';
  }
  return literal + "'";
}

// A call of MakeEMLFileSW with `arguments` written as they stand.
std::string Call(const std::vector<std::string>& arguments) {
  std::string call = "MakeEMLFileSW(";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) call += ',';
    call += arguments[i];
  }
  return call + ")";
}

class HostileTailTest : public ::testing::Test {
 protected:
  // Reads `tail` as the main procedure does: cut, instance number, leading
  // numbers blanked, the rest evaluated. Returns whether the call ran.
  bool Evaluate(std::string_view tail) {
    calls_ = 0;
    texts_.clear();
    const std::string command_text = CommandText(tail);
    instance_ = InstanceNumber(command_text);
    BindingScope scope;
    scope.Bind(kMakeEMLFileSWName, kMakeEMLFileSWParameterCount,
               [this](std::span<const std::string> texts) -> long long {
                 ++calls_;
                 texts_.assign(texts.begin(), texts.end());
                 return 0;
               });
    scope.Evaluate(CallText(command_text));
    EXPECT_LE(calls_, 1);
    if (calls_ == 1) {
      EXPECT_EQ(texts_.size(), 27u);
    }
    return calls_ == 1;
  }

  int calls_ = 0;
  std::vector<std::string> texts_;
  std::uint8_t instance_ = 0;
};

TEST_F(HostileTailTest, TailsAreCutAtTheir10000thCharacter) {
  const std::string head = "5 MakeEMLFileSW('out.eml','1','";
  // A literal that fills the tail so that ")" is its last character.
  const std::string fill(10000 - head.size() - 2, 'x');
  ASSERT_TRUE(Evaluate(head + fill + "')"));
  EXPECT_EQ(texts_[2], fill);
  // One character more and ")" lies beyond the cut: no call.
  EXPECT_FALSE(Evaluate(head + fill + "x')"));
  // What lies beyond the cut is never read, whatever it is.
  ASSERT_TRUE(Evaluate(head + "a')" + std::string(9970, ' ') + "garbage("));
  EXPECT_EQ(texts_[2], "a");

  const struct {
    const char* name;
    std::string tail;
  } no_call[] = {
      {"a million characters", std::string(1000000, 'M')},
      {"only digits and blanks", std::string(200000, '7')},
      {"an open literal to the end", head + std::string(50000, '\'')},
      {"28 arguments", "5 " + Call(std::vector<std::string>(28, "'a'"))},
      {"thousands of arguments",
       "5 " + Call(std::vector<std::string>(3000, "1"))},
      {"nested parentheses", "5 MakeEMLFileSW(" + std::string(5000, '(') +
                                 "'a'" + std::string(5000, ')')},
      {"thousands of commas",
       "5 MakeEMLFileSW('a'" + std::string(9000, ',') + ")"},
  };
  for (const auto& c : no_call) {
    EXPECT_FALSE(Evaluate(c.tail)) << c.name;
  }
}

TEST_F(HostileTailTest, EveryByteValueInsideALiteralPassesUnchanged) {
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  ASSERT_TRUE(Evaluate("5 " + Call({Literal(every), Literal(every + every)})));
  EXPECT_EQ(instance_, 5);
  EXPECT_EQ(texts_[0], every);
  EXPECT_EQ(texts_[1], every + every);
}

// After the closing parenthesis only blanks and tabs may follow; any other
// byte value there, or standing alone as an argument, means no call.
TEST_F(HostileTailTest, EveryOtherByteValueOutsideALiteralStopsTheCall) {
  const std::string call = "5 " + Call({"'out.eml'", "'1'"});
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    SCOPED_TRACE(b);
    const bool white = c == ' ' || c == '\t';
    EXPECT_EQ(Evaluate(call + c), white);
    EXPECT_EQ(Evaluate(call + c + "x"), false);
    const bool digit = c >= '0' && c <= '9';
    EXPECT_EQ(Evaluate("5 " + Call({"'out.eml'", std::string(1, c)})), digit);
  }
}

TEST_F(HostileTailTest, TwentySevenLongArgumentsKeepTheirTexts) {
  std::vector<std::string> texts;
  std::vector<std::string> arguments;
  for (int k = 1; k <= 27; ++k) {
    // 360 characters each, apostrophes and blanks among them.
    std::string text = std::to_string(k) + " it's ";
    text.resize(360, static_cast<char>('a' + k % 26));
    texts.push_back(text);
    arguments.push_back(Literal(text));
  }
  const std::string tail = "9 " + Call(arguments);
  ASSERT_GT(tail.size(), 9800u);
  ASSERT_LE(tail.size(), 10000u);
  ASSERT_TRUE(Evaluate(tail));
  EXPECT_EQ(instance_, 9);
  EXPECT_EQ(texts_, texts);
  // A 28th, however short, is one too many.
  arguments.push_back("''");
  EXPECT_FALSE(Evaluate("9 " + Call(arguments)));
}

TEST_F(HostileTailTest, ThousandsOfSignsBeforeAnArgument) {
  const struct {
    std::string argument;
    std::string text;  // empty: no call
  } cases[] = {
      {std::string(9000, '-') + "1", "1"},
      {std::string(9001, '-') + "1", "-1"},
      {std::string(9000, '+') + "1", "1"},
      {std::string(9001, '-') + "0FFH", "-255"},
      {[] {
         std::string signs;
         for (int i = 0; i < 4000; ++i) signs += "+-";
         return signs;
       }() +
           "'2.50'",
       "2.5"},
      {std::string(9001, '-') + "'abc'", "0"},
      {std::string(9000, '-'), ""},        // signs without a number
      {std::string(9990, '-') + "1", ""},  // cut before the number
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const bool called = Evaluate("5 " + Call({"'out.eml'", c.argument}));
    EXPECT_EQ(called, !c.text.empty());
    if (called) {
      EXPECT_EQ(texts_[1], c.text);
    }
  }
}

TEST_F(HostileTailTest, NumbersOfThousandsOfDigitsAreExactAndSmallStaysSmall) {
  // 9000 hexadecimal digits: a whole number of 10838 decimal digits.
  ASSERT_TRUE(
      Evaluate("5 " + Call({"'out.eml'", "0" + std::string(9000, 'F') + "H"})));
  EXPECT_EQ(texts_[1].size(), 10838u);
  EXPECT_EQ(texts_[1].find_first_not_of("0123456789"), std::string::npos);
  // 16^9000 - 1 ends in ...5 (16^k ends in 6).
  EXPECT_EQ(texts_[1].back(), '5');

  // A first token of 9000 digits gives a number 0..255 from its first 99
  // digits: (10^99 - 1) modulo 256 is 255. Its digits run past the 100
  // positions that are blanked, so the call text starts with them: no call.
  EXPECT_FALSE(
      Evaluate(std::string(9000, '9') + " " + Call({"'out.eml'", "'1'"})));
  EXPECT_EQ(instance_, 255);
}

// The whole program over a hostile tail on an in-memory system: a CR or LF
// inside a literal becomes a blank, so no argument adds a header line.
TEST(HostileProgramTest, NoArgumentAddsALineToTheHeaderBlock) {
  MemEnv env;
  env.PutFolder("/w");
  env.PutFile("/w/KQ/51.WMF", std::string(40, '\0'));
  std::string every;
  for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
  const std::string injected = "x\r\nBcc: spy@example.com\r\n\r\nbody";
  env.set_command_tail(
      "5 " + Call({"'out.eml'", "'1'", Literal("to@example.com" + injected),
                   Literal(every + injected), "'0'", "'100'", "''", "''", "'1'",
                   "''", "''", "''", "''", "''", "'0'", "'0'", "'1'"}));
  AppState state;
  RunProgram(env, state);
  const std::string eml = env.FileContents("/w/out.eml");
  ASSERT_TRUE(eml.ends_with("\r\n------=_1_--\r\n"));
  const std::string header_block = eml.substr(0, eml.find("\r\n\r\n") + 2);
  EXPECT_EQ(header_block.find("\r\nBcc:"), std::string::npos);
  EXPECT_EQ(header_block.find("\r\nbody"), std::string::npos);
  // One line each for To and Subject, whatever they held.
  EXPECT_EQ(header_block.substr(0, 4), "To: ");
  std::size_t subjects = 0;
  for (std::size_t at = header_block.find("\r\nSubject: ");
       at != std::string::npos;
       at = header_block.find("\r\nSubject: ", at + 1)) {
    ++subjects;
  }
  EXPECT_EQ(subjects, 1u);
  EXPECT_TRUE(env.boxes().empty());
}

}  // namespace
}  // namespace vellaro
