// The call text: reading and matching one call expression.

#ifndef VELLARO_SHELL_CALL_PARSER_H_
#define VELLARO_SHELL_CALL_PARSER_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellaro {

// A call text that has been read and matched in full.
struct CallExpression {
  // True for a call "name(arguments)"; false for a lone operand, a valid
  // expression that calls nothing.
  bool is_call = false;
  // The procedure name as written (letter case kept).
  std::string name;
  // The argument texts, first argument first; one at least in a call.
  std::vector<std::string> arguments;
  // The value of a lone operand, as text.
  std::string value;
};

// ParseCallExpression: reads the whole of `text` into tokens and matches it
// against the call form
//
//   name "(" operand { "," operand } ")"     or a lone operand
//
// where an operand is any number of "+" and "-" signs before a string
// literal or a number. Blanks and tabs may stand between any two tokens.
// Returns nothing when any part of the text fails to read or match: an empty
// text, a character that starts no token (a double quote among them, so
// double-quoted arguments fail), an unclosed string literal, a malformed
// number (see ReadNumberLiteral), a name without "(", a missing operand
// ("()", ",,", ",)"), a missing ")", or any token after the expression.
//
// Tokens:
//  - a name starts with a letter, "_" or "?", goes on with letters, digits,
//    "_" and ":", and may end with one "#", "$" or double quote;
//  - a string literal runs from an apostrophe to the next apostrophe that is
//    not doubled; inside it two apostrophes stand for one and every other
//    character stands for itself;
//  - numbers are those of ReadNumberLiteral.
//
// Argument texts: a string literal passes its characters; a number passes
// NumberLiteralText, negated when an odd count of "-" stands before it. A
// string literal with signs before it is taken as a number: its text, less
// surrounding blanks, is read as one unsigned number literal (any other text
// counts as 0) and passes what that number with the same signs would pass:
// -'5' passes "-5", -'1.50' passes "-1.5", +'abc' passes "0".
std::optional<CallExpression> ParseCallExpression(std::string_view text);

// IsNameToken: true when the whole of `text` is one name token of a call
// text, as described above (of any length).
bool IsNameToken(std::string_view text);

}  // namespace vellaro

#endif  // VELLARO_SHELL_CALL_PARSER_H_
