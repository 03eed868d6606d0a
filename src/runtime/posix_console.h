// Message boxes on a text console.

#ifndef VELLARO_RUNTIME_POSIX_CONSOLE_H_
#define VELLARO_RUNTIME_POSIX_CONSOLE_H_

#include <istream>
#include <ostream>

#include "runtime/env.h"

namespace vellaro {

// Writes `box` to `out`: its title, its text exactly as given, and its
// buttons with the default one marked. When `interactive`, asks on `out`
// and reads the answer from `in` (an empty line or the end of the input
// takes the default); otherwise returns the default answer at once.
int ShowConsoleBox(const MessageBox& box, std::ostream& out, std::istream& in,
                   bool interactive);

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_POSIX_CONSOLE_H_
