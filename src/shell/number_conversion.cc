#include "shell/number_conversion.h"

#include <string>

namespace vellaro {
namespace {

// Only this many characters of a text take part in the conversion.
constexpr std::size_t kConvertedLength = 99;

// An exponent beyond this is as good as infinite: 10 to the power of 32 or
// more is 0 in the low 32 bits, and any more digits are dropped anyway.
constexpr long kExponentLimit = 1000000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number a text shows: its digits (integer part, then fraction) and the
// power of ten they are scaled by.
struct ScaledDigits {
  bool negative = false;
  std::string digits;
  long exponent = 0;
};

// Reads an exponent ("E", optional sign, digits) at `pos` into `*exponent`.
// Leaves `*exponent` alone when no complete exponent is there.
void ReadExponent(std::string_view text, std::size_t pos, long* exponent) {
  if (pos >= text.size() || (text[pos] != 'E' && text[pos] != 'e')) return;
  ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos >= text.size() || !IsDigit(text[pos])) return;
  long value = 0;
  for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
    if (value < kExponentLimit) value = value * 10 + (text[pos] - '0');
  }
  *exponent = negative ? -value : value;
}

// Splits `text` into its digits and scale; an empty digit list means 0.
ScaledDigits ReadScaledDigits(std::string_view text) {
  ScaledDigits number;
  std::size_t pos = text.find_first_not_of(' ');
  if (pos == std::string_view::npos) return number;
  if (text[pos] == '-') {
    number.negative = true;
    ++pos;
  }
  std::size_t integer_start = pos;
  while (pos < text.size() && IsDigit(text[pos])) number.digits += text[pos++];
  if (pos == integer_start) return ScaledDigits{};
  if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
    ++pos;
    long fraction_length = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
      number.digits += text[pos++];
      ++fraction_length;
    }
    long exponent = 0;
    ReadExponent(text, pos, &exponent);
    number.exponent = exponent - fraction_length;
  }
  return number;
}

// The low 32 bits of the digits' value scaled and truncated toward zero.
std::uint32_t LowBitsOfTruncatedValue(const ScaledDigits& number) {
  std::string_view digits = number.digits;
  long kept = static_cast<long>(digits.size());
  if (number.exponent < 0) kept += number.exponent;
  if (kept <= 0) return 0;
  std::uint32_t value = 0;
  for (char c : digits.substr(0, static_cast<std::size_t>(kept))) {
    value = value * 10u + static_cast<std::uint32_t>(c - '0');
  }
  for (long i = 0; i < number.exponent && value != 0; ++i) value *= 10u;
  return value;
}

}  // namespace

std::int32_t WholeNumberFromText(std::string_view text) {
  ScaledDigits number = ReadScaledDigits(text.substr(0, kConvertedLength));
  std::uint32_t low_bits = LowBitsOfTruncatedValue(number);
  if (number.negative) low_bits = 0u - low_bits;
  return static_cast<std::int32_t>(low_bits);
}

std::uint8_t SmallNumberFromText(std::string_view text) {
  return static_cast<std::uint8_t>(
      static_cast<std::uint32_t>(WholeNumberFromText(text)) & 0xFFu);
}

}  // namespace vellaro
