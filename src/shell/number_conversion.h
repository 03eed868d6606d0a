// The conversion of an argument text into a number, as the by-name entry and
// the instance number use it.

#ifndef VELLARO_SHELL_NUMBER_CONVERSION_H_
#define VELLARO_SHELL_NUMBER_CONVERSION_H_

#include <cstdint>
#include <string_view>

namespace vellaro {

// WholeNumberFromText: the signed 32-bit number a text stands for.
//
// Only the first 99 characters take part. Leading spaces are skipped (any
// other white space ends the number at once); a "-" there makes the result
// negative, while a "+" makes the whole text yield 0. Decimal digits follow; a
// "." or a "," ends the integer part and starts a fraction, which is dropped
// (truncation toward zero). An exponent ("E" or "e", an optional sign, digits)
// counts only after such a fraction, and scales the value before the
// truncation: "1.5E3" gives 1500, "1E3" gives 1. The first character that fits
// none of this ends the number. A text with no digit before its fraction yields
// 0 (".5" and "abc" both give 0).
//
// Values beyond the 32-bit range wrap: the result is the value's low 32 bits
// in two's complement, so "4294967297" gives 1 and "2147483648" gives
// -2147483648. This keeps the small number below equal to the low 8 bits of
// the value the text shows, however large.
std::int32_t WholeNumberFromText(std::string_view text);

// SmallNumberFromText: the low 8 bits of WholeNumberFromText(text), 0..255:
// "300" gives 44, "256" gives 0 and "-1" gives 255.
std::uint8_t SmallNumberFromText(std::string_view text);

}  // namespace vellaro

#endif  // VELLARO_SHELL_NUMBER_CONVERSION_H_
