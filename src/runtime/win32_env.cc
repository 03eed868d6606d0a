// The Win32 backend of Env.
//
// "Other writers denied" is the share mode of CreateFileW: every file is
// opened sharing reading only (FILE_SHARE_READ). While we hold a file, no
// one else opens it for writing; and our own open fails with a sharing
// violation while another holder has it open for writing. Files that are
// only read are opened for reading only, so a read-only file can be read.
//
// Paths and texts are 8-bit in the ANSI code page; they become UTF-16 here
// and nowhere else. A slash in a path is a separator, like a backslash.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>

#include "runtime/env.h"
#include "runtime/sqlite_keyed_file.h"
#include "runtime/win32_env.h"
#include "runtime/win32_text.h"
#include "runtime/win32_windows.h"

// After <windows.h>, whose types it uses.
#include <bcrypt.h>

namespace vellaro {
namespace {

// The one place where Windows errors become runtime error codes.
int CodeFromWin32Error(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return kOk;
    case ERROR_FILE_NOT_FOUND:
      return kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
    case ERROR_CANNOT_MAKE:
    case ERROR_DELETE_PENDING:
    case ERROR_NETWORK_ACCESS_DENIED:
      return kAccessDenied;
    case ERROR_TOO_MANY_OPEN_FILES:
      return kTooManyOpenFiles;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return kInsufficientMemory;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return kFileIsLocked;
    default:
      return kFileSystemError;
  }
}

int LastErrorCode() { return CodeFromWin32Error(::GetLastError()); }

std::wstring NativePath(std::string_view path) {
  std::string native(path);
  std::replace(native.begin(), native.end(), '/', '\\');
  return WideFromAnsi(native);
}

// Owns a file handle; closes it on destruction.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
  // Closes the handle; false when the close itself failed.
  bool reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    bool closed = true;
    if (valid()) closed = ::CloseHandle(handle_) != FALSE;
    handle_ = handle;
    return closed;
  }

 private:
  HANDLE handle_;
};

// A file on a disk, not a folder, a device, a pipe or a console; sets
// `*attributes` to its attributes.
bool IsRegularFile(HANDLE handle, DWORD* attributes) {
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileType(handle) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(handle, &info)) {
    return false;
  }
  *attributes = info.dwFileAttributes;
  return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Opens `native` with `access`, sharing reading only; refuses anything but
// a regular file. A folder fails in CreateFileW itself (access denied). A
// read-only file is never opened for writing: Windows refuses that open
// itself, but a process with root's rights under Wine would get it.
int OpenShared(const std::wstring& native, DWORD access, DWORD disposition,
               DWORD flags, Handle* out) {
  Handle handle(::CreateFileW(native.c_str(), access, FILE_SHARE_READ, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL | flags,
                              nullptr));
  if (!handle.valid()) return LastErrorCode();
  DWORD attributes = 0;
  if (!IsRegularFile(handle.get(), &attributes)) return kAccessDenied;
  if ((access & GENERIC_WRITE) != 0 &&
      (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return kAccessDenied;
  }
  out->reset(handle.release());
  return kOk;
}

// ReadFile and WriteFile move at most a DWORD's worth at a time; blocks of
// 1 GiB keep well inside it.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

class Win32SequentialFile final : public SequentialFile {
 public:
  explicit Win32SequentialFile(HANDLE handle) : handle_(handle) {}

  int Read(char* scratch, std::size_t n, std::size_t* got) override {
    DWORD read = 0;
    *got = 0;
    if (!::ReadFile(handle_.get(), scratch,
                    static_cast<DWORD>(std::min(n, kMaxTransfer)), &read,
                    nullptr)) {
      return LastErrorCode();
    }
    *got = read;
    return kOk;
  }

 private:
  Handle handle_;
};

class Win32WritableFile final : public WritableFile {
 public:
  explicit Win32WritableFile(HANDLE handle) : handle_(handle) {}

  int Append(std::string_view data) override {
    if (!handle_.valid()) return kFileNotOpen;
    while (!data.empty()) {
      DWORD written = 0;
      if (!::WriteFile(handle_.get(), data.data(),
                       static_cast<DWORD>(std::min(data.size(), kMaxTransfer)),
                       &written, nullptr)) {
        return LastErrorCode();
      }
      if (written == 0) return kFileSystemError;
      data.remove_prefix(written);
    }
    return kOk;
  }

  int Truncate(std::uint64_t size) override {
    if (!handle_.valid()) return kFileNotOpen;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFilePointerEx(handle_.get(), at, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(handle_.get())) {
      return LastErrorCode();
    }
    return kOk;
  }

  int Close() override {
    if (!handle_.valid()) return kOk;
    return handle_.reset() ? kOk : LastErrorCode();
  }

 private:
  Handle handle_;
};

UINT BoxType(const MessageBox& box) {
  UINT type = MB_TASKMODAL | MB_SETFOREGROUND;
  switch (box.icon) {
    case BoxIcon::kExclamation:
      type |= MB_ICONEXCLAMATION;
      break;
    case BoxIcon::kQuestion:
      type |= MB_ICONQUESTION;
      break;
    case BoxIcon::kStop:
      type |= MB_ICONSTOP;
      break;
  }
  if (box.buttons == BoxButtons::kYesNo) {
    type |= MB_YESNO;
    type |= box.default_answer == kAnswerNo ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
  } else {
    type |= MB_OK | MB_DEFBUTTON1;
  }
  return type;
}

// The answer for the button `id` of `box`. Anything but one of its own
// buttons (0 or -1 when no box could be shown, for one) is no answer, and
// the box's default stands.
int AnswerFor(const MessageBox& box, int id) {
  if (box.buttons == BoxButtons::kYesNo) {
    if (id == IDYES) return kAnswerYes;
    if (id == IDNO) return kAnswerNo;
  } else if (id == IDOK) {
    return kAnswerOk;
  }
  return box.default_answer;
}

// The full path of the current directory as Windows gives it, or an empty
// text.
std::wstring CurrentDirectoryW() {
  std::wstring dir;
  DWORD size = ::GetCurrentDirectoryW(0, nullptr);
  while (size > dir.size()) {
    dir.resize(size);
    size = ::GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data());
    if (size == 0) return std::wstring();
  }
  dir.resize(size);
  return dir;
}

// `path` in the form that GetLongPathNameW or GetShortPathNameW gives, or
// `path` itself when that fails.
std::wstring ConvertedPath(const std::wstring& path, bool long_form) {
  auto convert = long_form ? ::GetLongPathNameW : ::GetShortPathNameW;
  std::wstring out;
  DWORD size = convert(path.c_str(), nullptr, 0);
  while (size > out.size()) {
    out.resize(size);
    size = convert(path.c_str(), out.data(), static_cast<DWORD>(out.size()));
    if (size == 0) return path;
  }
  out.resize(size);
  return out;
}

// Without a trailing backslash, except for a drive's root ("C:\").
std::wstring WithoutTrailingSeparator(std::wstring path) {
  bool drive_root = path.size() == 3 && path[1] == L':';
  if (!drive_root && path.size() > 1 && path.back() == L'\\') path.pop_back();
  return path;
}

std::uint64_t RandomSeed() {
  std::uint64_t seed = 0;
  if (BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&seed),
                                       sizeof seed,
                                       BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return seed;
  }
  // Without the system's generator: the clock and the process.
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);
  return static_cast<std::uint64_t>(counter.QuadPart) ^
         (std::uint64_t{::GetCurrentProcessId()} << 32);
}

class Win32Env final : public Env {
 public:
  Win32Env(std::string tail, Win32BoxFunction show_box)
      : tail_(std::move(tail)),
        show_box_(std::move(show_box)),
        random_(RandomSeed()) {}

  int OpenForReading(std::string_view path,
                     std::unique_ptr<SequentialFile>* file) override {
    Handle handle;
    int code = OpenShared(NativePath(path), GENERIC_READ, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, &handle);
    if (code != kOk) return code;
    *file = std::make_unique<Win32SequentialFile>(handle.release());
    return kOk;
  }

  int CreateForWriting(std::string_view path,
                       std::unique_ptr<WritableFile>* file) override {
    // Opened without CREATE_ALWAYS and emptied only once the open has
    // succeeded: a file that another holder has open fails the open and is
    // never cut short.
    Handle handle;
    int code =
        OpenShared(NativePath(path), GENERIC_WRITE, OPEN_ALWAYS, 0, &handle);
    if (code != kOk) return code;
    if (!::SetEndOfFile(handle.get())) return LastErrorCode();
    *file = std::make_unique<Win32WritableFile>(handle.release());
    return kOk;
  }

  int DeleteFile(std::string_view path) override {
    // Opened for deletion sharing nothing, so the open fails while anyone
    // else has the file open; a folder fails the open too. A link is
    // removed itself, not what it points to.
    Handle handle(::CreateFileW(
        NativePath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle.valid()) return LastErrorCode();
    DWORD attributes = 0;
    if (!IsRegularFile(handle.get(), &attributes)) return kAccessDenied;
    // Its one member, "DeleteFile", is renamed by <windows.h>'s macro.
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (!::SetFileInformationByHandle(handle.get(), FileDispositionInfo,
                                      &disposition, sizeof disposition)) {
      return LastErrorCode();
    }
    // The file goes when the handle closes.
    return kOk;
  }

  int CopyFile(std::string_view from, std::string_view to) override {
    // The source is held, other writers denied, for the whole copy: no one
    // changes it meanwhile, and the target cannot be the source under any
    // name, since the source cannot be deleted or opened for writing while
    // it is held.
    std::unique_ptr<SequentialFile> source;
    int code = OpenForReading(from, &source);
    if (code != kOk) return code;
    // The old target goes first, under the rules of DeleteFile (never a
    // folder, never a file someone holds); the copy then creates a new one,
    // so a failed copy can remove what it wrote without ever removing a
    // file it did not make.
    code = DeleteFile(to);
    if (code != kOk && code != kFileNotFound) return code;
    std::wstring native_to = NativePath(to);
    if (::CopyFileW(NativePath(from).c_str(), native_to.c_str(), TRUE)) {
      return kOk;
    }
    DWORD error = ::GetLastError();
    // A half-written copy is worse than none. A target that someone else
    // made in the meantime is theirs and stays.
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      DeleteFile(to);
    }
    return CodeFromWin32Error(error);
  }

  int CreateFolder(std::string_view path) override {
    return ::CreateDirectoryW(NativePath(path).c_str(), nullptr)
               ? kOk
               : LastErrorCode();
  }

  // The long form of the current directory. Where that form holds a
  // character the ANSI code page cannot show, its short (8.3) form is
  // taken if that one can be shown: a path with "?" in it leads nowhere.
  std::string CurrentDirectory() override {
    std::wstring dir = CurrentDirectoryW();
    if (dir.empty()) return std::string();
    bool exact = true;
    std::string text = AnsiFromWide(
        WithoutTrailingSeparator(ConvertedPath(dir, /*long_form=*/true)),
        &exact);
    if (!exact) {
      std::string short_text = AnsiFromWide(
          WithoutTrailingSeparator(ConvertedPath(dir, /*long_form=*/false)),
          &exact);
      if (exact) return short_text;
    }
    return text;
  }

  std::string CommandTail() override { return tail_; }

  LocalTime Now() override {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth,  now.wDay,
                     now.wHour, now.wMinute, now.wSecond};
  }

  std::int64_t RandomBetween(std::int64_t low, std::int64_t high) override {
    return std::uniform_int_distribution<std::int64_t>(low, high)(random_);
  }

  int ShowMessageBox(const MessageBox& box) override {
    int id = show_box_(WideFromAnsi(box.title), WideFromAnsi(box.text),
                       BoxType(box));
    return AnswerFor(box, id);
  }

  // The last box; the caller then unwinds to the entry point, which ends
  // the process with exit code 0.
  void Stop(std::string_view final_text) override {
    ShowMessageBox(MessageBox{"Vellaro", std::string(final_text),
                              BoxIcon::kStop, BoxButtons::kOk, kAnswerOk});
  }

  void RestorePointer() override {
    ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // arrow
  }

  // SQLite takes file names in UTF-8.
  std::unique_ptr<KeyedFile> NewKeyedFile(std::string_view name,
                                          const RecordLayout& layout) override {
    std::string full_name = WithDefaultExtension(name);
    return NewSqliteKeyedFile(full_name, Utf8FromWide(NativePath(full_name)),
                              layout);
  }

 private:
  std::string tail_;
  Win32BoxFunction show_box_;
  std::mt19937_64 random_;
};

}  // namespace

std::unique_ptr<Env> NewWin32Env(std::wstring_view command_line,
                                 Win32BoxFunction show_box) {
  return std::make_unique<Win32Env>(AnsiFromWide(CommandTailOf(command_line)),
                                    std::move(show_box));
}

int ShowWin32MessageBox(const std::wstring& title, const std::wstring& text,
                        unsigned type) {
  return ::MessageBoxW(nullptr, text.c_str(), title.c_str(), type);
}

// The Win32 program reads its command line itself (GetCommandLineW), not
// from `argc` and `argv`: the host's quotes and blanks must reach the call
// text exactly as written, which the C runtime's argument split would not
// keep.
Env* NativeEnv(int /*argc*/, char** /*argv*/) {
  static Env* env =
      NewWin32Env(::GetCommandLineW(), ShowWin32MessageBox).release();
  return env;
}

}  // namespace vellaro
