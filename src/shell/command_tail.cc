#include "shell/command_tail.h"

#include <algorithm>

#include "runtime/command_line.h"
#include "runtime/text.h"
#include "shell/number_conversion.h"

namespace vellaro {
namespace {

bool IsBlankOrDigit(char c) { return c == ' ' || (c >= '0' && c <= '9'); }

// The position where the leading numbers end: the first character of the
// first 100 that is neither a blank nor a digit, or position 101.
std::size_t EndOfLeadingNumbers(std::string_view text) {
  std::size_t scanned = std::min(text.size(), kLeadingNumberPositions);
  for (std::size_t pos = 0; pos < scanned; ++pos) {
    if (!IsBlankOrDigit(text[pos])) return pos;
  }
  return scanned;
}

}  // namespace

std::string CommandText(std::string_view tail) {
  return std::string(tail.substr(0, kCommandTextLength));
}

std::uint8_t InstanceNumber(std::string_view command_text) {
  return SmallNumberFromText(NthCommandToken(command_text, 1));
}

std::string CallText(std::string_view command_text) {
  std::string_view rest =
      command_text.substr(EndOfLeadingNumbers(command_text));
  std::size_t first = rest.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string();
  return std::string(Clip(rest.substr(first)));
}

}  // namespace vellaro
