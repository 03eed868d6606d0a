// Error codes of the runtime.
//
// Every runtime operation reports its outcome as one of these codes: 0 for
// success, a small number naming the failure otherwise. The numbers are the
// ones the standard warnings show to a user ("File Not Found (2)"), so they
// are part of the program's observable behaviour and must not be renumbered.

#ifndef VELLARO_RUNTIME_ERROR_CODES_H_
#define VELLARO_RUNTIME_ERROR_CODES_H_

namespace vellaro {

enum ErrorCode : int {
  kOk = 0,
  kFileNotFound = 2,
  kPathNotFound = 3,
  kTooManyOpenFiles = 4,
  kAccessDenied = 5,
  kInsufficientMemory = 8,
  kFileIsLocked = 32,
  kRecordNotAvailable = 33,  // no more records
  kRecordNotFound = 35,
  kInvalidDataFile = 36,
  kFileNotOpen = 37,
  kKeyFileMustBeRebuilt = 46,
  kInvalidRecordDeclaration = 47,
  kFileAlreadyOpen = 52,
  kFileSystemError = 90,  // an operating-system error reported by a driver
  kEvaluationFailed = 800,
  kUnknownName = 801,
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_ERROR_CODES_H_
