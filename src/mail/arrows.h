// The built-in arrow pictures of the page navigation.

#ifndef VELLARO_MAIL_ARROWS_H_
#define VELLARO_MAIL_ARROWS_H_

#include <span>
#include <string_view>

namespace vellaro {

// The up arrow (go to the previous page) as the base64 lines of its GIF
// file: 16 lines, 15 of 76 characters and one of 12.
//
// Both built-in arrows are 863-byte GIF89a pictures of 20x20 pixels,
// interlaced, with a 256-entry colour table whose index 255 is white and
// transparent; a black triangle ten rows high (rows 6 to 15) is centred on
// the vertical middle line. They stand in for an arrow file that cannot be
// read. tools/make_arrows.py generates them.
std::span<const std::string_view> BuiltInUpArrow();

// The down arrow (go to the next page), in the same form as the up arrow,
// pointing down.
std::span<const std::string_view> BuiltInDownArrow();

}  // namespace vellaro

#endif  // VELLARO_MAIL_ARROWS_H_
