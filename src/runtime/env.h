// The runtime environment: everything the program needs from the operating
// system, behind one interface.
//
// Env is the only way the rest of the program reaches files, folders, keyed
// data files, the command line, the clock, random numbers and the user. Each OS
// has one backend (posix_env.cc, and a Win32 one); tests use MemEnv, an
// in-memory double with fault injection. Operations report failures as
// ErrorCode values; no exception leaves the runtime.
//
// Paths are texts in the program's own form: a backslash and a slash both
// separate levels. Backends translate to the native form at this boundary.

#ifndef VELLARO_RUNTIME_ENV_H_
#define VELLARO_RUNTIME_ENV_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/error_codes.h"
#include "runtime/keyed_file.h"

namespace vellaro {

// A file opened for reading from its first byte to its end.
class SequentialFile {
 public:
  virtual ~SequentialFile() = default;

  // Reads up to `n` bytes into `scratch` and sets `*got` to the number read;
  // `*got` is 0 only at the end of the file. Returns kOk, or the code of a
  // failed read (callers treat a failed read as the end of the data).
  virtual int Read(char* scratch, std::size_t n, std::size_t* got) = 0;
};

// A file opened for writing; data is appended at its end.
class WritableFile {
 public:
  virtual ~WritableFile() = default;

  // Appends `data`. Returns kOk or the code of the failed write (a full disk
  // among them). The backend does not buffer: callers hand it large blocks.
  virtual int Append(std::string_view data) = 0;

  // Cuts the file back to its first `size` bytes (at most what was
  // appended); later appends go on from there. Returns kOk or the code of
  // the failure.
  virtual int Truncate(std::uint64_t size) = 0;

  // Releases the file. Returns kOk or the code of a failure that only the
  // close revealed. Destroying an unclosed file closes it silently.
  virtual int Close() = 0;
};

// Local date and time, as a person reads it off a clock.
struct LocalTime {
  int year = 0;    // four digits
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
};

enum class BoxIcon { kExclamation, kQuestion, kStop };
enum class BoxButtons { kOk, kYesNo };

// The values a message box answers with, one per button.
enum BoxAnswer : int { kAnswerOk = 1, kAnswerYes = 2, kAnswerNo = 4 };

// A modal message box: what it shows and which button is the default.
struct MessageBox {
  std::string title;
  std::string text;
  BoxIcon icon = BoxIcon::kExclamation;
  BoxButtons buttons = BoxButtons::kOk;
  int default_answer = kAnswerOk;
};

class Env {
 public:
  virtual ~Env() = default;

  // Opens the regular file `path` for reading, with other writers denied:
  // other readers may open it too, but no open for writing succeeds while it
  // is held, and the open fails when another holder is writing the file.
  // Folders, devices and other non-regular files are refused.
  // Errors: kFileNotFound, kPathNotFound, kAccessDenied, kFileIsLocked.
  virtual int OpenForReading(std::string_view path,
                             std::unique_ptr<SequentialFile>* file) = 0;

  // Creates `path` (or empties the existing regular file) and opens it for
  // writing with other writers denied. A file that another holder has open
  // is left untouched and gives kFileIsLocked; a folder, device or other
  // non-regular file gives kAccessDenied.
  virtual int CreateForWriting(std::string_view path,
                               std::unique_ptr<WritableFile>* file) = 0;

  // Deletes the file `path`. Only a file: a folder, a device or another
  // non-regular file is never removed (kAccessDenied), nor is a file that
  // another holder has open (kFileIsLocked).
  virtual int DeleteFile(std::string_view path) = 0;

  // Copies the file `from` to `to`, replacing an existing target file. The
  // target is written under the same rules as CreateForWriting, so a copy
  // onto its own source fails and leaves the source intact.
  virtual int CopyFile(std::string_view from, std::string_view to) = 0;

  // Creates the one folder `path`; its parent must exist. A trailing
  // separator is allowed. An existing folder gives kAccessDenied.
  virtual int CreateFolder(std::string_view path) = 0;

  // The full path of the current directory in its long form, with no
  // trailing separator except for a root.
  virtual std::string CurrentDirectory() = 0;

  // The command line less the program's own name, unchanged otherwise.
  virtual std::string CommandTail() = 0;

  // The local date and time now.
  virtual LocalTime Now() = 0;

  // A pseudo-random whole number in [low, high], both included.
  virtual std::int64_t RandomBetween(std::int64_t low, std::int64_t high) = 0;

  // Shows `box` modally and returns the answer of the button pressed. Where
  // no one can answer, returns the box's default answer at once.
  virtual int ShowMessageBox(const MessageBox& box) = 0;

  // Shows `final_text` in the program's last box (stop icon, OK). The caller
  // then returns straight to the main procedure, which ends the program
  // with exit code 0; open files close as their owners unwind.
  virtual void Stop(std::string_view final_text) = 0;

  // Sets the mouse pointer back to the normal arrow (nothing on a system
  // without a pointer of the program's own).
  virtual void RestorePointer() = 0;

  // Makes the keyed data file `name` (relative to the current directory;
  // the driver's default extension is added when the name has none) with
  // the record layout `layout`. The file starts closed; its own operations
  // report what is wrong with it.
  virtual std::unique_ptr<KeyedFile> NewKeyedFile(
      std::string_view name, const RecordLayout& layout) = 0;
};

// The backend of the OS the program was built for, reading its command line
// from `argc` and `argv`. The Env lives for the rest of the process.
Env* NativeEnv(int argc, char** argv);

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_ENV_H_
