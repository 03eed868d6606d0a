// Message boxes on a text console.
//
// A box is written as a block of lines set apart by a blank line: the icon
// and the title, the text, and the buttons with the default one in
// brackets. Someone at a terminal answers by typing the first letter of a
// button (Enter takes the default); without a terminal the default button
// is taken at once and the block says so, so a log shows what happened.

#ifndef VELLARO_RUNTIME_POSIX_CONSOLE_H_
#define VELLARO_RUNTIME_POSIX_CONSOLE_H_

#include <cstddef>
#include <istream>
#include <ostream>

#include "runtime/env.h"

namespace vellaro {

// How boxes are shown.
struct ConsoleStyle {
  // Someone at a terminal answers the box; otherwise no input is read.
  bool interactive = false;
  // The text is wrapped at blanks to lines of at most this many columns
  // (for a terminal); 0 writes it exactly as given.
  std::size_t width = 0;
};

// Writes `box` to `out` in `style`. When interactive, asks on `out` and
// reads the answer from `in` until it names a button (an empty line or the
// end of the input takes the default); otherwise returns the default
// answer at once.
int ShowConsoleBox(const MessageBox& box, std::ostream& out, std::istream& in,
                   const ConsoleStyle& style);

// The same with the text exactly as given.
int ShowConsoleBox(const MessageBox& box, std::ostream& out, std::istream& in,
                   bool interactive);

// WrapText: `text` with each of its lines broken at blanks into lines of at
// most `width` columns (a word longer than that is cut); the blanks at a
// break are dropped. A width of 0 leaves the text as it stands.
std::string WrapText(std::string_view text, std::size_t width);

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_POSIX_CONSOLE_H_
