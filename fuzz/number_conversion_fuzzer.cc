// Fuzz target: the numbers of a command line.
//
// The input is a text. It checks that:
//  - WholeNumberFromText gives what a plain reference reading of the rule
//    gives (leading blanks, a minus, digits, a "." or "," starting a
//    fraction, an exponent only after a fraction, truncation toward zero,
//    the low 32 bits), and only the first 99 characters count;
//  - SmallNumberFromText is its low 8 bits;
//  - a number literal at the start of the text, once turned into its
//    argument text, reads back to the same text: the text of a number
//    literal is a fixed point (up to exponents of ten digits), and a whole
//    number keeps its exact digits.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "shell/number_conversion.h"
#include "shell/number_literal.h"

namespace vellaro {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The rule of the conversion, read the plain way: the digits with the point
// moved by the exponent, cut at the point, taken modulo 2^32.
std::uint32_t ReferenceWholeNumber(std::string_view text) {
  text = text.substr(0, 99);
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  std::string digits;
  while (i < text.size() && IsDigit(text[i])) digits += text[i++];
  if (digits.empty()) return 0;
  long long point = static_cast<long long>(digits.size());
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    ++i;
    while (i < text.size() && IsDigit(text[i])) digits += text[i++];
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
      std::size_t j = i + 1;
      bool minus = false;
      if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
        minus = text[j] == '-';
        ++j;
      }
      if (j < text.size() && IsDigit(text[j])) {
        long long exponent = 0;
        for (; j < text.size() && IsDigit(text[j]); ++j) {
          // Past 200 the value is 0 modulo 2^32, or below 1, either way.
          if (exponent < 1000) exponent = exponent * 10 + (text[j] - '0');
        }
        point += minus ? -exponent : exponent;
      }
    }
  }
  std::uint64_t value = 0;  // modulo 2^32 as it goes
  for (long long k = 0; k < point; ++k) {
    const int digit = k < static_cast<long long>(digits.size())
                          ? digits[static_cast<std::size_t>(k)] - '0'
                          : 0;
    value = (value * 10 + static_cast<std::uint64_t>(digit)) & 0xFFFFFFFFu;
    if (k > 400) break;  // only zeros follow, and the value is 0 by now
  }
  const std::uint32_t low = static_cast<std::uint32_t>(value);
  return negative ? 0u - low : low;
}

void CheckConversion(std::string_view text) {
  const std::int32_t whole = WholeNumberFromText(text);
  FUZZ_CHECK(static_cast<std::uint32_t>(whole) == ReferenceWholeNumber(text),
             "whole number differs from the rule");
  FUZZ_CHECK(whole == WholeNumberFromText(text.substr(0, 99)),
             "characters past the 99th counted");
  FUZZ_CHECK(
      SmallNumberFromText(text) == (static_cast<std::uint32_t>(whole) & 0xFFu),
      "small number is not the low 8 bits");
}

// The argument text of the literal at the start of `text`, read again.
void CheckLiteral(std::string_view text) {
  if (text.empty() || !(IsDigit(text[0]) || text[0] == '.')) return;
  std::size_t pos = 0;
  NumberLiteral literal;
  if (!ReadNumberLiteral(text, &pos, &literal)) return;
  FUZZ_CHECK(pos > 0 && pos <= text.size(), "literal read out of bounds");
  for (bool negated : {false, true}) {
    const std::string shown = NumberLiteralText(literal, negated);
    FUZZ_CHECK(!shown.empty(), "empty argument text");
    const bool minus = shown[0] == '-';
    const std::string_view unsigned_text =
        std::string_view(shown).substr(minus ? 1 : 0);
    // Exponents saturate far beyond any value a text can show; past that
    // point the value is not kept exactly, by design.
    const std::size_t e = unsigned_text.find('E');
    if (e != std::string_view::npos && unsigned_text.size() - e > 12) continue;
    std::size_t again_pos = 0;
    NumberLiteral again;
    FUZZ_CHECK(ReadNumberLiteral(unsigned_text, &again_pos, &again) &&
                   again_pos == unsigned_text.size(),
               "argument text is no number literal");
    FUZZ_CHECK(NumberLiteralText(again, minus) == shown,
               "argument text is not a fixed point");
    if (literal.form == NumberForm::kWhole && !negated) {
      FUZZ_CHECK(unsigned_text.find_first_not_of("0123456789") ==
                         std::string_view::npos &&
                     (unsigned_text == "0" || unsigned_text[0] != '0'),
                 "whole number not in plain digits");
    }
  }
}

}  // namespace
}  // namespace vellaro

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vellaro::CheckConversion(text);
  vellaro::CheckLiteral(text);
  return 0;
}
