// The command tail: the instance number and the call text.

#ifndef VELLARO_SHELL_COMMAND_TAIL_H_
#define VELLARO_SHELL_COMMAND_TAIL_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellaro {

// The most characters of the command tail that are considered.
inline constexpr std::size_t kCommandTextLength = 10000;

// The leading positions of the command text that may hold numbers.
inline constexpr std::size_t kLeadingNumberPositions = 100;

// CommandText: the command tail cut to its first 10000 characters.
std::string CommandText(std::string_view tail);

// InstanceNumber: the first token of `command_text` (NthCommandToken)
// converted by SmallNumberFromText: "5" gives 5, "300" gives 44, and an
// absent or non-numeric token gives 0.
std::uint8_t InstanceNumber(std::string_view command_text);

// CallText: `command_text` without its leading numbers, its leading blanks
// and its trailing blanks. The leading numbers are the blanks and digits of
// positions 1 to 100 up to the first other character; a character there
// ("-", ",", ".") stays, and so does everything from position 101 on:
// "12 3 F('a')" gives "F('a')", "12,3 F('a')" gives ",3 F('a')".
std::string CallText(std::string_view command_text);

}  // namespace vellaro

#endif  // VELLARO_SHELL_COMMAND_TAIL_H_
