#include "encode/color.h"

namespace vellaro {

std::string ColorToHex(std::int32_t color) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::uint32_t value = static_cast<std::uint32_t>(color) & 0xFFFFFFu;
  std::string text(6, '0');
  // Red is the lowest byte and comes first, then green, then blue.
  for (int channel = 0; channel < 3; ++channel) {
    std::uint32_t byte = (value >> (8 * channel)) & 0xFFu;
    text[static_cast<std::size_t>(2 * channel)] = kDigits[byte >> 4];
    text[static_cast<std::size_t>(2 * channel + 1)] = kDigits[byte & 0xFu];
  }
  return text;
}

}  // namespace vellaro
