#include "runtime/text.h"

#include <charconv>

namespace vellaro {

std::string_view Clip(std::string_view text) {
  std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view()
                                       : text.substr(0, end + 1);
}

bool IsBlank(std::string_view text) { return Clip(text).empty(); }

std::string_view FieldText(std::string_view text, std::size_t width) {
  return Clip(text.substr(0, width));
}

bool SameText(std::string_view a, std::string_view b) {
  return Clip(a) == Clip(b);
}

void AppendDecimal(std::string& out, long long value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

std::string Decimal(long long value) {
  std::string out;
  AppendDecimal(out, value);
  return out;
}

}  // namespace vellaro
