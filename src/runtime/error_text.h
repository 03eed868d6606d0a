// The runtime's error state and the English texts of its error codes.

#ifndef VELLARO_RUNTIME_ERROR_TEXT_H_
#define VELLARO_RUNTIME_ERROR_TEXT_H_

#include <string>

#include "runtime/error_codes.h"

namespace vellaro {

// ErrorState: what the runtime knows about the last failed operation. The
// code is one of ErrorCode; for kFileSystemError the driver that failed adds
// its own message and its own code (as text), which say more than the
// runtime's generic text. Operations that succeed leave a state with code
// kOk and empty driver texts.
struct ErrorState {
  int code = kOk;
  std::string driver_text;
  std::string driver_code;
};

// ErrorText: the fixed English text the runtime keeps for `code` (at most 79
// characters, no leading blanks), or "Unknown Error Posted : <code>" for a
// code without a text of its own.
std::string ErrorText(int code);

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_ERROR_TEXT_H_
