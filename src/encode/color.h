// Colour texts for HTML.

#ifndef VELLARO_ENCODE_COLOR_H_
#define VELLARO_ENCODE_COLOR_H_

#include <cstdint>
#include <string>

namespace vellaro {

// ColorToHex: the six-character HTML colour text (RRGGBB, upper-case hex) of
// a Windows colour value laid out as 0x00BBGGRR. Only the low 24 bits count,
// so a value above 0xFFFFFF cannot widen the text.
std::string ColorToHex(std::int32_t color);

}  // namespace vellaro

#endif  // VELLARO_ENCODE_COLOR_H_
