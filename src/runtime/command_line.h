// Tokens of the command tail.

#ifndef VELLARO_RUNTIME_COMMAND_LINE_H_
#define VELLARO_RUNTIME_COMMAND_LINE_H_

#include <string>
#include <string_view>

namespace vellaro {

// The `n`-th token (1-based) of the command tail, or an empty text when there
// is none. A token ends at a control character, a blank or a comma, and, once
// it has characters, at a "/". Double quotes group characters into one token;
// two double quotes inside a quoted part stand for one. One comma between
// tokens is skipped.
std::string NthCommandToken(std::string_view tail, int n);

// The command tail of a POSIX program: its arguments joined by single blanks.
std::string JoinArguments(int argc, char** argv);

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_COMMAND_LINE_H_
