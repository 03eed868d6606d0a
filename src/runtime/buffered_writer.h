// BufferedWriter: collects small appends into large writes.
//
// Every output file of the program (the message file, the RTF document, a
// copy) is written through one BufferedWriter, so that producing a byte costs a
// memcpy, not a virtual call or a system call. The first failed write is
// remembered; later appends are dropped and `ok()` turns false, so callers
// may check once per section instead of once per byte.
//
// Writing behind: when the buffer fills, it goes to the file on a worker
// thread while the caller fills a second buffer, so producing the data and
// the system's copying of it overlap. Only full buffers travel that way;
// Flush and Close wait until everything handed over has been written, so
// what they report covers every byte appended before them. A file that
// never fills the buffer (1 MiB) is written by the caller and starts no
// thread. Large blocks also let the kernel fill its page cache in large
// pieces, which matters more than anything else for large outputs.

#ifndef VELLARO_RUNTIME_BUFFERED_WRITER_H_
#define VELLARO_RUNTIME_BUFFERED_WRITER_H_

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>

#include "runtime/env.h"

namespace vellaro {

// ByteSink: receives a copy of every byte a BufferedWriter writes, in order,
// one large block at a time.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Take(std::string_view data) = 0;
};

class BufferedWriter {
 public:
  static constexpr std::size_t kCapacity = 1024 * 1024;

  explicit BufferedWriter(std::unique_ptr<WritableFile> file);
  ~BufferedWriter();  // closes the file when Close() was not called

  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;

  // Appends `data`. (std::copy, unlike memcpy, takes the null pointer of an
  // empty view.)
  void Append(std::string_view data) {
    if (data.size() <= kCapacity - used_) {
      std::copy(data.begin(), data.end(), buffer_.get() + used_);
      used_ += data.size();
    } else {
      AppendSlow(data);
    }
  }

  // Makes room for `n` bytes (n <= kCapacity) and returns where to put them;
  // Commit(n) then adds them. Lets encoders write straight into the buffer.
  char* Reserve(std::size_t n) {
    if (n > kCapacity - used_) HandOff();
    return buffer_.get() + used_;
  }
  void Commit(std::size_t n) { used_ += n; }

  // The free part of the buffer, handed on first when less than `n` bytes
  // (n <= kCapacity) are free. Encoders fill as many whole lines as fit and
  // Commit the bytes they used, so a block of lines costs one call.
  std::span<char> Room(std::size_t n) {
    if (n > kCapacity - used_) HandOff();
    return std::span<char>(buffer_.get() + used_, kCapacity - used_);
  }

  // Writes the buffered bytes to the file and waits until every byte
  // appended so far has been written (or a write failed).
  void Flush();

  // Flushes and closes the file. Returns kOk, or the first error of any
  // write or of the close. Safe to call once; later appends are dropped.
  int Close();

  // Every byte appended from now on also goes to `tap` (null: none), in
  // blocks, when it leaves the buffer for the file.
  void set_tap(ByteSink* tap) { tap_ = tap; }

  // The bytes appended so far.
  std::uint64_t size() const { return handed_ + used_; }

  // Takes back every byte appended after the first `size` (size <= size()):
  // from the buffer, and from the file when they were written already.
  // A write that failed after `size` is taken back with them: once the file
  // is cut back the writer is sound again (a full disk that the bytes taken
  // back had filled is no failure of what stays). A failure to cut the file
  // counts as a failed write. (A tap has seen those bytes already.)
  void Rewind(std::uint64_t size);

  // True while no write has failed. A write still on its way is counted
  // once Flush or Close has waited for it.
  bool ok() const { return error() == kOk; }
  int error() const { return error_.load(std::memory_order_acquire); }

 private:
  void AppendSlow(std::string_view data);

  // Hands the full buffer to the worker and goes on with the other one.
  void HandOff();
  // Waits until the worker has written the block handed to it.
  void WaitForWorker();
  // Counts `data` as gone to the file and shows it to the tap.
  void Leaving(std::string_view data);
  // Writes `data` to the file unless a write failed before.
  void WriteNow(std::string_view data);
  // The worker thread: writes each block handed over, until told to stop.
  void WorkerLoop();
  void StopWorker();

  std::unique_ptr<WritableFile> file_;
  std::unique_ptr<char[]> buffer_;  // being filled by the caller
  std::unique_ptr<char[]> spare_;   // being written by the worker
  std::size_t used_ = 0;
  std::uint64_t handed_ = 0;   // bytes that left the buffer for the file
  std::uint64_t written_ = 0;  // bytes the file took without a failure
  ByteSink* tap_ = nullptr;
  std::atomic<int> error_{kOk};

  // Hand-over between the caller and the worker.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t pending_ = 0;  // bytes of spare_ still to write; 0 when idle
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_BUFFERED_WRITER_H_
