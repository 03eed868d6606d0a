// Text at the Win32 boundary.
//
// The program's texts are 8-bit, in the system's ANSI code page: the bytes
// that the message's "iso-8859-1" parts carry. Windows speaks UTF-16 and
// SQLite takes file names in UTF-8. These conversions are the only place
// where the forms meet; nothing else in the program converts text.

#ifndef VELLARO_RUNTIME_WIN32_TEXT_H_
#define VELLARO_RUNTIME_WIN32_TEXT_H_

#include <string>
#include <string_view>

namespace vellaro {

// `text` (ANSI code page) in UTF-16. Every byte maps to a character.
std::wstring WideFromAnsi(std::string_view text);

// `text` in the ANSI code page. A character the code page cannot show
// becomes "?" (never a look-alike: a full-width quote must not turn into a
// quote that changes how a call text reads); `*exact` tells whether every
// character made it.
std::string AnsiFromWide(std::wstring_view text, bool* exact = nullptr);

// `text` in UTF-8 (an unpaired surrogate becomes U+FFFD).
std::string Utf8FromWide(std::wstring_view text);

// The command tail of a whole command line: leading white space, the
// program's token and the white space after it skipped, the rest unchanged
// (quotes, inner and trailing blanks included). The program's token ends at
// the first blank or tab outside double quotes, so a quoted path may hold
// blanks. White space here is a blank or a tab.
std::wstring_view CommandTailOf(std::wstring_view command_line);

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_WIN32_TEXT_H_
