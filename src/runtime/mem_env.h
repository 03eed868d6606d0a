// MemEnv: an in-memory Env for tests, with fault injection.
//
// Files and folders live in maps, safe to use from several threads; paths are
// normalised the way the POSIX backend reads them (a backslash is a separator;
// relative paths start at the current directory). A file can only be created in
// an existing folder. Faults are injected at this boundary: a failing open, a
// full disk, a read error after some bytes, a file held by another process.
// Message boxes take scripted answers and are recorded, as are stops.
//
// Keyed data files are the exception to "in memory": they are real SQLite
// databases in one real folder, so tests run the real driver, and faults
// are injected between the program and the driver.

#ifndef VELLARO_RUNTIME_MEM_ENV_H_
#define VELLARO_RUNTIME_MEM_ENV_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "runtime/env.h"

namespace vellaro {

// The operations of a keyed data file at which MemEnv can inject a fault.
enum class KeyedOp {
  kOpen,
  kCreate,
  kBuildKeys,
  kSize,
  kSetRecordOrder,
  kOpenView,
  kNext,
};

class MemEnv : public Env {
 public:
  MemEnv();
  ~MemEnv() override;

  // --- Set-up and inspection for tests ---

  // Writes a whole file, creating its missing folders.
  void PutFile(std::string_view path, std::string_view contents);
  // The contents of a file; empty when it does not exist.
  std::string FileContents(std::string_view path) const;
  bool FileExists(std::string_view path) const;
  bool FolderExists(std::string_view path) const;
  // Creates a folder and all its missing parents.
  void PutFolder(std::string_view path);
  // Every file path, sorted.
  std::vector<std::string> FilePaths() const;
  // `path` in the form FilePaths gives it: absolute, slashes only, with
  // "." and ".." levels resolved.
  std::string NormalPath(std::string_view path) const {
    return Normalize(path);
  }

  // Opening `path` (for reading or writing) fails with `code`.
  void FailOpen(std::string_view path, int code);
  // Reads of `path` fail with kFileSystemError once `bytes` have been read.
  void FailReadsAfter(std::string_view path, std::uint64_t bytes);
  // Each read of `path` delivers at most `bytes` (at least 1), as a pipe or
  // a network file system may: readers must carry partial data over.
  void LimitReadSize(std::string_view path, std::size_t bytes);
  // The disk holds at most `bytes` of file data in all; a write past that
  // fails with kFileSystemError and writes nothing.
  void SetDiskCapacity(std::uint64_t bytes) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    capacity_ = bytes;
  }
  // Another process holds `path` open for writing (or stops doing so).
  void HoldForWriting(std::string_view path, bool held = true);
  // `path` is read-only: creating, emptying or deleting it fails.
  void SetReadOnly(std::string_view path, bool read_only = true);

  void set_current_directory(std::string dir) { cwd_ = std::move(dir); }
  void set_command_tail(std::string tail) { tail_ = std::move(tail); }
  void set_now(const LocalTime& now) { now_ = now; }
  // The next RandomBetween calls return these values (clamped to the
  // range); once they run out, the low bound.
  void QueueRandom(std::int64_t value) { randoms_.push_back(value); }
  // The next message boxes answer with these; once they run out, each box
  // takes its default answer.
  void QueueAnswer(int answer) { answers_.push_back(answer); }

  // The real folder that holds the keyed data files, named by the last
  // level of their names (GOODS is <folder>/GOODS.db). Unless set, a fresh
  // temporary folder, made on first use and removed with the MemEnv.
  const std::string& keyed_file_folder();
  void set_keyed_file_folder(std::string folder);
  // The next `times` calls of `op` on any keyed file fail with `error`
  // without reaching the file.
  void FailKeyedOp(KeyedOp op, ErrorState error, int times = 1);
  // What happened, in order: keyed-file operations with their codes
  // ("Open GOODS.db: 32", "Command Recover=10"; reads only when they fail),
  // message boxes ("Box: <title>") and stops ("Stop: <final text>").
  const std::vector<std::string>& events() const { return events_; }

  const std::vector<MessageBox>& boxes() const { return boxes_; }
  const std::vector<std::string>& stops() const { return stops_; }
  int restore_pointer_calls() const { return restore_pointer_calls_; }
  // How many Read and Append calls reached the files (block I/O checks).
  std::uint64_t read_calls() const { return read_calls_; }
  std::uint64_t append_calls() const { return append_calls_; }

  // --- Env ---
  int OpenForReading(std::string_view path,
                     std::unique_ptr<SequentialFile>* file) override;
  int CreateForWriting(std::string_view path,
                       std::unique_ptr<WritableFile>* file) override;
  int DeleteFile(std::string_view path) override;
  int CopyFile(std::string_view from, std::string_view to) override;
  int CreateFolder(std::string_view path) override;
  std::string CurrentDirectory() override { return cwd_; }
  std::string CommandTail() override { return tail_; }
  LocalTime Now() override { return now_; }
  std::int64_t RandomBetween(std::int64_t low, std::int64_t high) override;
  int ShowMessageBox(const MessageBox& box) override;
  void Stop(std::string_view final_text) override;
  void RestorePointer() override { ++restore_pointer_calls_; }
  std::unique_ptr<KeyedFile> NewKeyedFile(std::string_view name,
                                          const RecordLayout& layout) override;

  // Internal: one file's data and who holds it.
  struct Node {
    std::string data;
    int readers = 0;
    bool writer = false;
    bool held_elsewhere = false;
    bool read_only = false;
    std::uint64_t fail_reads_after = std::numeric_limits<std::uint64_t>::max();
    std::size_t read_size_limit = std::numeric_limits<std::size_t>::max();
  };

 private:
  friend class MemSequentialFile;
  friend class MemWritableFile;
  friend class MemKeyedFile;

  // Takes one injected fault for `op`, if any, into `*error`.
  bool TakeKeyedFault(KeyedOp op, ErrorState* error);

  std::string Normalize(std::string_view path) const;
  bool ParentExists(const std::string& normal) const;
  int InjectedOpenError(const std::string& normal) const;
  std::uint64_t UsedBytes() const;

  // Guards the files and folders: a writer's worker thread appends while
  // the caller reads or writes other files.
  mutable std::recursive_mutex mutex_;
  std::map<std::string, std::shared_ptr<Node>> files_;
  std::set<std::string> folders_;
  std::map<std::string, int> open_errors_;
  std::uint64_t capacity_ = std::numeric_limits<std::uint64_t>::max();
  std::string cwd_ = "/w";
  std::string tail_;
  LocalTime now_{2026, 12, 11, 9, 5, 7};
  std::deque<std::int64_t> randoms_;
  std::deque<int> answers_;
  std::vector<MessageBox> boxes_;
  std::vector<std::string> stops_;
  int restore_pointer_calls_ = 0;
  std::string keyed_folder_;
  bool owns_keyed_folder_ = false;
  struct KeyedFault {
    KeyedOp op;
    ErrorState error;
    int times;
  };
  std::vector<KeyedFault> keyed_faults_;
  std::vector<std::string> events_;
  std::uint64_t read_calls_ = 0;
  std::uint64_t append_calls_ = 0;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_MEM_ENV_H_
