// The standard warnings: the program's one way of telling the user that a
// data-file operation failed.

#ifndef VELLARO_STARTUP_REPORT_WARNINGS_H_
#define VELLARO_STARTUP_REPORT_WARNINGS_H_

#include <string_view>

#include "runtime/env.h"
#include "runtime/error_text.h"

namespace vellaro {

// The warnings in use, by number.
enum Warning : int {
  kWarningInvalidFile = 1,       // open failed: record layout differs
  kWarningInvalidKey = 2,        // open failed: keys must be rebuilt (asks)
  kWarningKeyRebuildError = 3,   // rebuilding the keys failed
  kWarningCreateError = 4,       // creating a missing file failed
  kWarningCreatedOpenError = 5,  // opening the file just created failed
  kWarningFileAccessError = 30,  // the file still cannot be opened
  kWarningRecordRetrieval = 35,  // reading a record failed
  kWarningViewOpenError = 36,    // preparing the record view failed
};

struct WarningResult {
  // True when the warning ended the program: Env::Stop has shown the final
  // text, and the caller must return straight to the main procedure.
  bool stopped = false;
  // What the warning returns when it does not stop: 2 (Yes) for warning 2,
  // the button pressed for warning 30, 0 for the others.
  int answer = 0;
};

// ShowWarning: shows warning `number` for the failure `error` (the error
// state of the operation that just failed) on the file named `file_name`
// (used without its trailing blanks; empty when there is none) in a modal
// message box, and waits for the answer.
//
// The text is the warning's fixed template with the file name and the
// error description filled in; the description is the runtime's text for
// the error code followed by the code in parentheses ("File Not Found
// (2)"), or for kFileSystemError the driver's own text and code, cut at 150
// characters. Warnings 1, 3, 4 and 5, and warning 2 answered No, are fatal:
// they stop the program through Env::Stop with their final text and return
// `stopped`. A number without a warning shows nothing and returns 0.
WarningResult ShowWarning(Env& env, int number, const ErrorState& error,
                          std::string_view file_name = {});

}  // namespace vellaro

#endif  // VELLARO_STARTUP_REPORT_WARNINGS_H_
