#include "shell/number_conversion.h"

#include <gtest/gtest.h>

#include <string>

namespace vellaro {
namespace {

struct ConversionCase {
  std::string text;
  std::int32_t whole;
  std::uint8_t small;
};

TEST(NumberConversionTest, TextToWholeAndSmallNumber) {
  const ConversionCase cases[] = {
      {"3", 3, 3},
      {"   3", 3, 3},
      {"3 words", 3, 3},
      {"words", 0, 0},
      {"", 0, 0},
      {"+3", 0, 0},
      {"-", 0, 0},
      {"- 5", 0, 0},
      {"300", 300, 44},
      {"256", 256, 0},
      {"-1", -1, 255},
      {"-5", -5, 251},
      {"1,000", 1, 1},
      {"8270.75", 8270, 78},
      {"-8270.75", -8270, 178},
      {".5", 0, 0},
      {"\t3", 0, 0},
      // An exponent counts only after a fraction, and scales before the
      // fraction is dropped.
      {"1.5E3", 1500, 220},
      {"1,5e+3", 1500, 220},
      {"1E3", 1, 1},
      {"12.5E-1", 1, 1},
      {"1.5E", 1, 1},
      {"1.5E+", 1, 1},
      {"1.E2", 100, 100},
      {"7.1E-5", 0, 0},
      // Beyond 32 bits the value wraps to its low bits.
      {"2147483647", 2147483647, 255},
      {"2147483648", -2147483647 - 1, 0},
      {"4294967297", 1, 1},
      {"-2147483648", -2147483647 - 1, 0},
      {"99999999999999999999999999", -469762049, 255},
      {"1.0E40", 0, 0},
      {"1.0E99999999999", 0, 0},
  };
  for (const ConversionCase& c : cases) {
    EXPECT_EQ(WholeNumberFromText(c.text), c.whole) << "[" << c.text << "]";
    EXPECT_EQ(SmallNumberFromText(c.text), c.small) << "[" << c.text << "]";
  }
}

TEST(NumberConversionTest, OnlyTheFirst99CharactersTakePart) {
  EXPECT_EQ(WholeNumberFromText(std::string(95, ' ') + "12345"), 1234);
  EXPECT_EQ(WholeNumberFromText(std::string(99, ' ') + "7"), 0);
  EXPECT_EQ(WholeNumberFromText(std::string(98, ' ') + "7"), 7);
}

}  // namespace
}  // namespace vellaro
