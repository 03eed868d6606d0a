#include "shell/number_literal.h"

#include <algorithm>

#include "runtime/text.h"

namespace vellaro {
namespace {

// Significant digits of a rounded value.
constexpr std::size_t kSignificantDigits = 14;

// Rounded values whose leading digit stands at a power of ten in
// [kLowestPlainPower, kHighestPlainPower] are written without an exponent.
constexpr std::int64_t kLowestPlainPower = -15;
constexpr std::int64_t kHighestPlainPower = 14;

// Exponents saturate here: far beyond the reach of any value a text holds,
// and far from the limits of the 64-bit scale.
constexpr std::int64_t kExponentLimit = 1000000000000000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsLetterOrDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char ToUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The bases of the radix forms, by their closing letter.
struct Radix {
  char suffix;
  int base;
};
constexpr Radix kRadixes[] = {{'H', 16}, {'O', 8}, {'B', 2}};

// The value of `c` as a digit of `base`, or -1 when it is none.
int DigitValue(char c, int base) {
  char upper = ToUpper(c);
  int value = -1;
  if (IsDigit(upper)) value = upper - '0';
  if (upper >= 'A' && upper <= 'F') value = upper - 'A' + 10;
  return value < base ? value : -1;
}

// Drops the leading zeros of a digit list.
void StripLeadingZeros(std::string& digits) {
  std::size_t first = digits.find_first_not_of('0');
  digits.erase(0, first == std::string::npos ? digits.size() : first);
}

// Moves the trailing zeros of `value`'s digits into its exponent.
void MoveTrailingZerosToExponent(DecimalValue& value) {
  std::size_t last = value.digits.find_last_not_of('0');
  std::size_t zeros = last == std::string::npos
                          ? value.digits.size()
                          : value.digits.size() - 1 - last;
  value.digits.resize(value.digits.size() - zeros);
  value.exponent = value.digits.empty()
                       ? 0
                       : value.exponent + static_cast<std::int64_t>(zeros);
}

// decimal = decimal * base + digit, on a list of decimal digits.
void MultiplyAdd(std::string& decimal, int base, int digit) {
  int carry = digit;
  for (std::size_t i = decimal.size(); i-- > 0;) {
    int product = (decimal[i] - '0') * base + carry;
    decimal[i] = static_cast<char>('0' + product % 10);
    carry = product / 10;
  }
  for (; carry > 0; carry /= 10) {
    decimal.insert(decimal.begin(), static_cast<char>('0' + carry % 10));
  }
}

// Reads a run of decimal digits at `*pos`, appending them to `digits`;
// returns how many there were.
std::size_t ReadDigits(std::string_view text, std::size_t* pos,
                       std::string& digits) {
  std::size_t start = *pos;
  while (*pos < text.size() && IsDigit(text[*pos])) digits += text[(*pos)++];
  return *pos - start;
}

// Reads the exponent after a fraction, if any, into `*exponent`. Returns
// false for an "E" without digits.
bool ReadExponent(std::string_view text, std::size_t* pos,
                  std::int64_t* exponent) {
  *exponent = 0;
  if (*pos >= text.size() || ToUpper(text[*pos]) != 'E') return true;
  ++*pos;
  bool negative = false;
  if (*pos < text.size() && (text[*pos] == '+' || text[*pos] == '-')) {
    negative = text[*pos] == '-';
    ++*pos;
  }
  if (*pos >= text.size() || !IsDigit(text[*pos])) return false;
  for (; *pos < text.size() && IsDigit(text[*pos]); ++*pos) {
    *exponent = std::min(kExponentLimit, *exponent * 10 + (text[*pos] - '0'));
  }
  if (negative) *exponent = -*exponent;
  return true;
}

// Reads ".", digits and an optional exponent at `*pos`, after the integer
// digits already in `digits`.
bool ReadFraction(std::string_view text, std::size_t* pos, std::string digits,
                  NumberLiteral* literal) {
  ++*pos;  // the "."
  std::size_t fraction_length = ReadDigits(text, pos, digits);
  if (fraction_length == 0) return false;
  std::int64_t exponent = 0;
  if (!ReadExponent(text, pos, &exponent)) return false;
  literal->form = NumberForm::kFraction;
  literal->value.digits = std::move(digits);
  literal->value.exponent =
      exponent - static_cast<std::int64_t>(fraction_length);
  StripLeadingZeros(literal->value.digits);
  MoveTrailingZerosToExponent(literal->value);
  return true;
}

// Converts a radix form ("0FFH") to its decimal digits.
bool ReadRadixForm(std::string_view run, NumberLiteral* literal) {
  char suffix = ToUpper(run.back());
  std::string_view body = run.substr(0, run.size() - 1);
  for (const Radix& radix : kRadixes) {
    if (radix.suffix != suffix) continue;
    std::string decimal;
    for (char c : body) {
      int digit = DigitValue(c, radix.base);
      if (digit < 0) return false;
      MultiplyAdd(decimal, radix.base, digit);
    }
    StripLeadingZeros(decimal);
    literal->form = NumberForm::kWhole;
    literal->value.digits = std::move(decimal);
    MoveTrailingZerosToExponent(literal->value);
    return true;
  }
  return false;
}

// Rounds `value` to the significant digits of an argument text.
DecimalValue RoundToSignificantDigits(DecimalValue value) {
  if (value.digits.size() > kSignificantDigits) {
    bool round_up = value.digits[kSignificantDigits] >= '5';
    value.exponent +=
        static_cast<std::int64_t>(value.digits.size() - kSignificantDigits);
    value.digits.resize(kSignificantDigits);
    if (round_up) MultiplyAdd(value.digits, 1, 1);
  }
  MoveTrailingZerosToExponent(value);
  return value;
}

// "digits" then `exponent` zeros, with the point where the exponent puts it.
std::string PlainNotation(const DecimalValue& value) {
  const std::string& digits = value.digits;
  if (value.exponent >= 0) {
    return digits + std::string(static_cast<std::size_t>(value.exponent), '0');
  }
  std::int64_t integer_length =
      static_cast<std::int64_t>(digits.size()) + value.exponent;
  if (integer_length > 0) {
    std::size_t split = static_cast<std::size_t>(integer_length);
    return digits.substr(0, split) + "." + digits.substr(split);
  }
  return "0." + std::string(static_cast<std::size_t>(-integer_length), '0') +
         digits;
}

// "d.ddd" then "E", the sign and the power of ten of the leading digit.
std::string ExponentNotation(const DecimalValue& value, std::int64_t power) {
  std::string rest = value.digits.substr(1);
  std::string text =
      value.digits.substr(0, 1) + "." + (rest.empty() ? "0" : rest);
  text += power < 0 ? "E-" : "E+";
  AppendDecimal(text, power < 0 ? -power : power);
  return text;
}

// The argument text of a value rounded to 14 significant digits.
std::string RoundedText(const DecimalValue& exact, bool negated) {
  DecimalValue value = RoundToSignificantDigits(exact);
  if (value.IsZero()) return "0";
  std::int64_t power =
      static_cast<std::int64_t>(value.digits.size()) - 1 + value.exponent;
  bool plain = power >= kLowestPlainPower && power <= kHighestPlainPower;
  std::string text = value.negative != negated ? "-" : "";
  text += plain ? PlainNotation(value) : ExponentNotation(value, power);
  return text;
}

}  // namespace

bool ReadNumberLiteral(std::string_view text, std::size_t* pos,
                       NumberLiteral* literal) {
  *literal = NumberLiteral{};
  if (text[*pos] == '.') return ReadFraction(text, pos, std::string(), literal);
  std::size_t start = *pos;
  while (*pos < text.size() && IsLetterOrDigit(text[*pos])) ++*pos;
  std::string_view run = text.substr(start, *pos - start);
  if (run.find_first_not_of("0123456789") != std::string_view::npos) {
    return ReadRadixForm(run, literal);
  }
  if (*pos < text.size() && text[*pos] == '.') {
    return ReadFraction(text, pos, std::string(run), literal);
  }
  literal->value.digits = std::string(run);
  StripLeadingZeros(literal->value.digits);
  MoveTrailingZerosToExponent(literal->value);
  return true;
}

std::string NumberLiteralText(const NumberLiteral& literal, bool negated) {
  if (literal.form == NumberForm::kWhole && !negated) {
    return literal.value.IsZero() ? "0" : PlainNotation(literal.value);
  }
  return RoundedText(literal.value, negated);
}

}  // namespace vellaro
