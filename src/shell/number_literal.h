// Numbers written in a call text, and the argument texts they pass.

#ifndef VELLARO_SHELL_NUMBER_LITERAL_H_
#define VELLARO_SHELL_NUMBER_LITERAL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellaro {

// An exact decimal value: `digits` times ten to the power of `exponent`,
// negated when `negative`. The digits carry no leading zeros; zero has none.
struct DecimalValue {
  bool negative = false;
  std::string digits;
  std::int64_t exponent = 0;

  bool IsZero() const { return digits.empty(); }
};

// The form a number literal was written in.
enum class NumberForm {
  kWhole,     // decimal digits, or a radix form (0FFH, 17O, 101B)
  kFraction,  // digits, ".", digits, optional exponent: 1.5, .25, 2.5E3
};

// A number literal read from a call text.
struct NumberLiteral {
  NumberForm form = NumberForm::kWhole;
  DecimalValue value;
};

// ReadNumberLiteral: reads the number literal that starts at `*pos` (a digit
// or a ".") into `*literal` and moves `*pos` past it. Returns false when the
// characters there form no valid number:
//  - a "." not followed by a digit ("1." and "." alone);
//  - an "E" after a fraction without digits of its own ("1.5E", "1.5E+");
//  - letters and digits that make no radix form: the last character must be
//    "H" (base 16), "O" (base 8) or "B" (base 2), in either case, and every
//    character before it a digit of that base ("12B", "8O", "1E5", "0FG").
// An exponent counts only after a fraction. Values of any size are exact:
// the exponent saturates far beyond any value a text can show.
bool ReadNumberLiteral(std::string_view text, std::size_t* pos,
                       NumberLiteral* literal);

// NumberLiteralText: the text a number literal passes as an argument, its
// value negated when `negated`.
//
// A whole number that is not negated keeps its exact value in decimal
// digits, without leading zeros, however long: 0FFH gives "255". A number
// with a fraction and any negated number give their value rounded (half away
// from zero) to 14 significant digits, without trailing zeros after the
// point and without a trailing point: 1.50 gives "1.5", 2.0 gives "2", a
// negated 7 gives "-7", .25 gives "0.25". Zero is always "0".
//
// Rounded values from 1E-15 up to below 1E15 are written in plain decimal
// notation; smaller and larger ones in an exponent form with at least one
// digit after the point ("1.0E+15", "2.5E-16"). The fraction keeps the
// exponent form readable as the same value by the by-name conversion, which
// counts an exponent only after a fraction.
std::string NumberLiteralText(const NumberLiteral& literal, bool negated);

}  // namespace vellaro

#endif  // VELLARO_SHELL_NUMBER_LITERAL_H_
