// The POSIX backend of Env.
//
// "Other writers denied" is an advisory lock (flock): a reader holds a
// shared lock and a writer an exclusive one, both taken without waiting, so
// a second open for writing fails while the file is held, in this process
// or another. A backslash in a path is a separator, like a slash.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "runtime/buffered_writer.h"
#include "runtime/command_line.h"
#include "runtime/env.h"
#include "runtime/posix_console.h"
#include "runtime/sqlite_keyed_file.h"

namespace vellaro {
namespace {

// The one place where OS errors become runtime error codes.
int CodeFromErrno(int err) {
  switch (err) {
    case 0:
      return kOk;
    case ENOENT:
      return kFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
    case ETXTBSY:
      return kAccessDenied;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case ENOMEM:
      return kInsufficientMemory;
    case EWOULDBLOCK:
      return kFileIsLocked;
    default:
      return kFileSystemError;
  }
}

std::string NativePath(std::string_view path) {
  std::string native(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

// Owns a file descriptor; closes it on destruction.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

bool IsRegularFd(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// True when `native` still names the file open as `fd`.
bool NamesFile(const std::string& native, int fd) {
  struct stat named;
  struct stat open;
  return ::stat(native.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 &&
         named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

// Opens `native` and takes the advisory lock `lock` without waiting; refuses
// anything but a regular file. O_NONBLOCK keeps a FIFO from blocking the
// open; it does not change how a regular file is read or written.
int OpenLocked(const std::string& native, int flags, int lock, Fd* out) {
  Fd fd(
      ::open(native.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
  if (fd.get() < 0) return CodeFromErrno(errno);
  if (!IsRegularFd(fd.get())) return kAccessDenied;
  if (::flock(fd.get(), lock | LOCK_NB) != 0) {
    return errno == EWOULDBLOCK ? kFileIsLocked : CodeFromErrno(errno);
  }
  int fl = ::fcntl(fd.get(), F_GETFL);
  if (fl >= 0) ::fcntl(fd.get(), F_SETFL, fl & ~O_NONBLOCK);
  out->reset(fd.release());
  return kOk;
}

class PosixSequentialFile final : public SequentialFile {
 public:
  explicit PosixSequentialFile(int fd) : fd_(fd) {
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  }

  int Read(char* scratch, std::size_t n, std::size_t* got) override {
    *got = 0;
    while (true) {
      ssize_t r = ::read(fd_.get(), scratch, n);
      if (r >= 0) {
        *got = static_cast<std::size_t>(r);
        return kOk;
      }
      if (errno != EINTR) return CodeFromErrno(errno);
    }
  }

 private:
  Fd fd_;
};

// Reserves disk blocks ahead of the data when a file grows large, so that
// the file system maps a large extent once instead of a few blocks on every
// write. The reservation lies past the end of the file (the size shows only
// what was written) and what is left of it is released at Close. Small files
// never reserve anything, and neither does a file on a disk that is nearly
// full: there a reservation could take the room another file needs.
class Preallocator {
 public:
  static constexpr off_t kStart = 1 << 20;     // first reservation at 1 MiB
  static constexpr off_t kMaxStep = 64 << 20;  // never more than this ahead

  // Called before `n` more bytes go to `fd`, which holds `written` bytes.
  void Before(int fd, off_t written, std::size_t n) {
    const off_t end = written + static_cast<off_t>(n);
    if (!enabled_ || end <= reserved_ || end < kStart) return;
    // Ahead by as much as the file holds already: the number of calls grows
    // with the logarithm of the size, the unused tail stays bounded.
    const off_t step = std::min(std::max(end, kStart), kMaxStep);
    const off_t from = std::max(reserved_, written);
#ifdef FALLOC_FL_KEEP_SIZE
    if (PlentyOfRoom(fd, end - from + step) &&
        ::fallocate(fd, FALLOC_FL_KEEP_SIZE, from, end - from + step) == 0) {
      reserved_ = end + step;
      return;
    }
#else
    (void)fd;
    (void)from;
#endif
    // No support, or no room: the writes themselves will say so. A
    // reservation that failed part way may still hold some blocks, so the
    // whole range counts as reserved and is released at Close.
    reserved_ = end + step;
    enabled_ = false;
  }

  // Releases the reservation past `written` bytes. Cutting a file to the
  // size it has drops the blocks reserved past its end.
  int Release(int fd, off_t written) {
    if (reserved_ <= written) return kOk;
    reserved_ = 0;
    return ::ftruncate(fd, written) == 0 ? kOk : CodeFromErrno(errno);
  }

  // The file was cut short, and with it every reservation.
  void Forget() { reserved_ = 0; }

 private:
  // True when the disk of `fd` has many times `bytes` free.
  static bool PlentyOfRoom(int fd, off_t bytes) {
    struct statvfs disk;
    if (::fstatvfs(fd, &disk) != 0) return false;
    const unsigned long long free_bytes =
        static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize;
    return free_bytes / kRoomFactor > static_cast<unsigned long long>(bytes);
  }
  static constexpr unsigned long long kRoomFactor = 16;

  bool enabled_ = true;
  off_t reserved_ = 0;
};

class PosixWritableFile final : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) {}
  ~PosixWritableFile() override { Close(); }

  int Append(std::string_view data) override {
    if (fd_ < 0) return kFileNotOpen;
    reserve_.Before(fd_, written_, data.size());
    while (!data.empty()) {
      ssize_t w = ::write(fd_, data.data(), data.size());
      if (w < 0) {
        if (errno == EINTR) continue;
        return CodeFromErrno(errno);
      }
      written_ += w;
      data.remove_prefix(static_cast<std::size_t>(w));
    }
    return kOk;
  }

  int Truncate(std::uint64_t size) override {
    if (fd_ < 0) return kFileNotOpen;
    const off_t at = static_cast<off_t>(size);
    // Cutting the file drops the blocks reserved past its end too.
    if (::ftruncate(fd_, at) != 0) return CodeFromErrno(errno);
    reserve_.Forget();
    if (::lseek(fd_, at, SEEK_SET) != at) return CodeFromErrno(errno);
    written_ = at;
    return kOk;
  }

  int Close() override {
    if (fd_ < 0) return kOk;
    int result = reserve_.Release(fd_, written_);
    if (::close(fd_) != 0 && result == kOk) result = CodeFromErrno(errno);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
  off_t written_ = 0;
  Preallocator reserve_;
};

// Boxes are answered when the standard input is a terminal; on a terminal
// the standard error's width wraps their text, elsewhere it stays exact.
ConsoleStyle ConsoleStyleNow() {
  ConsoleStyle style;
  style.interactive = ::isatty(0) == 1;
  struct winsize size {};
  if (::isatty(2) == 1 && ::ioctl(2, TIOCGWINSZ, &size) == 0 &&
      size.ws_col > 20) {
    style.width = static_cast<std::size_t>(size.ws_col) - 1;
  }
  return style;
}

class PosixEnv final : public Env {
 public:
  explicit PosixEnv(std::string tail)
      : tail_(std::move(tail)), random_(std::random_device{}()) {}

  int OpenForReading(std::string_view path,
                     std::unique_ptr<SequentialFile>* file) override {
    Fd fd;
    int code = OpenLocked(NativePath(path), O_RDONLY, LOCK_SH, &fd);
    if (code != kOk) return code;
    *file = std::make_unique<PosixSequentialFile>(fd.release());
    return kOk;
  }

  int CreateForWriting(std::string_view path,
                       std::unique_ptr<WritableFile>* file) override {
    std::string native = NativePath(path);
    struct stat st;
    if (::stat(native.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      return kAccessDenied;
    }
    Fd fd;
    int code = OpenLocked(native, O_WRONLY | O_CREAT, LOCK_EX, &fd);
    if (code != kOk) return code;
    // Between the open and the lock another holder may have deleted the
    // file (to make its own): the lock is then on a file that no name leads
    // to, and all that is written to it would be lost. That file counts as
    // held by the other.
    if (!NamesFile(native, fd.get())) return kFileIsLocked;
    // Emptied only now that the lock is ours: a file another holder is
    // writing is never cut short. A file that is empty already is left
    // alone: on ext4 a truncation, even of an empty file, makes the close
    // write all the new contents back to disk at once, which costs a large
    // message file a third of its run.
    struct stat opened;
    if (::fstat(fd.get(), &opened) != 0) return CodeFromErrno(errno);
    if (opened.st_size > 0 && ::ftruncate(fd.get(), 0) != 0) {
      return CodeFromErrno(errno);
    }
    *file = std::make_unique<PosixWritableFile>(fd.release());
    return kOk;
  }

  int DeleteFile(std::string_view path) override {
    std::string native = NativePath(path);
    struct stat st;
    if (::lstat(native.c_str(), &st) != 0) return CodeFromErrno(errno);
    if (S_ISLNK(st.st_mode)) {
      return ::unlink(native.c_str()) == 0 ? kOk : CodeFromErrno(errno);
    }
    if (!S_ISREG(st.st_mode)) return kAccessDenied;
    Fd fd;
    int code = OpenLocked(native, O_RDONLY, LOCK_EX, &fd);
    if (code == kFileIsLocked) return code;
    // Without read permission the lock cannot be tested; the unlink then
    // follows the folder's permissions alone.
    return ::unlink(native.c_str()) == 0 ? kOk : CodeFromErrno(errno);
  }

  int CopyFile(std::string_view from, std::string_view to) override {
    Fd source;
    int code = OpenLocked(NativePath(from), O_RDONLY, LOCK_SH, &source);
    if (code != kOk) return code;
    std::unique_ptr<WritableFile> target;
    code = CreateForWriting(to, &target);
    if (code != kOk) return code;
    code = CopyThroughWriter(source.get(), std::move(target));
    // A half-written copy is worse than none.
    if (code != kOk) ::unlink(NativePath(to).c_str());
    return code;
  }

  int CreateFolder(std::string_view path) override {
    return ::mkdir(NativePath(path).c_str(), 0777) == 0 ? kOk
                                                        : CodeFromErrno(errno);
  }

  std::string CurrentDirectory() override {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) return std::string();
      buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
  }

  std::string CommandTail() override { return tail_; }

  LocalTime Now() override {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
  }

  std::int64_t RandomBetween(std::int64_t low, std::int64_t high) override {
    return std::uniform_int_distribution<std::int64_t>(low, high)(random_);
  }

  int ShowMessageBox(const MessageBox& box) override {
    return ShowConsoleBox(box, std::cerr, std::cin, ConsoleStyleNow());
  }

  // The last box: on a terminal it waits for Enter, like any box, so the
  // reason for the end stays on the screen; without one it returns at once.
  void Stop(std::string_view final_text) override {
    MessageBox box{"Vellaro", std::string(final_text), BoxIcon::kStop,
                   BoxButtons::kOk, kAnswerOk};
    ShowConsoleBox(box, std::cerr, std::cin, ConsoleStyleNow());
  }

  void RestorePointer() override {}

  std::unique_ptr<KeyedFile> NewKeyedFile(std::string_view name,
                                          const RecordLayout& layout) override {
    std::string full_name = WithDefaultExtension(name);
    return NewSqliteKeyedFile(full_name, NativePath(full_name), layout);
  }

 private:
  // Copies what is left of `source` to `target` and closes it. Each block
  // is read straight into the writer's buffer, and the writer writes a full
  // block behind while the next one is read; large blocks let the kernel
  // fill the target in large pieces. (This is faster than copy_file_range,
  // which moves small pieces at a time.)
  static int CopyThroughWriter(int source,
                               std::unique_ptr<WritableFile> target) {
    BufferedWriter out(std::move(target));
    int code = kOk;
    while (out.ok()) {
      const std::span<char> room = out.Room(BufferedWriter::kCapacity);
      const ssize_t got = ::read(source, room.data(), room.size());
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        if (got < 0) code = CodeFromErrno(errno);
        break;
      }
      out.Commit(static_cast<std::size_t>(got));
    }
    const int closed = out.Close();
    return code != kOk ? code : closed;
  }

  std::string tail_;
  std::mt19937_64 random_;
};

}  // namespace

Env* NativeEnv(int argc, char** argv) {
  static PosixEnv* env = new PosixEnv(JoinArguments(argc, argv));
  return env;
}

}  // namespace vellaro
