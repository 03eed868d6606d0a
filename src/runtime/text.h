// Text helpers shared by every module.
//
// Texts in this program are fixed-width and blank-padded: trailing blanks are
// never significant. "Blank" means empty or only spaces; "clipped" means
// without trailing spaces.

#ifndef VELLARO_RUNTIME_TEXT_H_
#define VELLARO_RUNTIME_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vellaro {

// Returns `text` without its trailing spaces.
std::string_view Clip(std::string_view text);

// True when `text` is empty or holds only spaces.
bool IsBlank(std::string_view text);

// The value a fixed-width field of `width` characters holds after `text` is
// assigned to it and read back clipped: cut at `width`, then clipped.
std::string_view FieldText(std::string_view text, std::size_t width);

// Compares two texts the way fixed-width fields compare: exactly and
// case-sensitively, trailing blanks ignored on both sides.
bool SameText(std::string_view a, std::string_view b);

// True when `c` separates the levels of a path. A backslash always does; a
// slash does too, so Windows-form and native paths both work on every OS.
constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// Appends the decimal form of `value` (leading "-" when negative, no leading
// zeros) to `out`.
void AppendDecimal(std::string& out, long long value);

// The decimal form of `value`.
std::string Decimal(long long value);

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_TEXT_H_
