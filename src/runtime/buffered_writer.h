// BufferedWriter: collects small appends into large writes.
//
// Every output file of the program (the message file, the RTF document) is
// written through one BufferedWriter, so that producing a byte costs a
// memcpy, not a virtual call or a system call. The first failed write is
// remembered; later appends are dropped and `ok()` turns false, so callers
// may check once per section instead of once per byte.

#ifndef VELLARO_RUNTIME_BUFFERED_WRITER_H_
#define VELLARO_RUNTIME_BUFFERED_WRITER_H_

#include <algorithm>
#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

#include "runtime/env.h"

namespace vellaro {

class BufferedWriter {
 public:
  static constexpr std::size_t kCapacity = 256 * 1024;

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
    if (n > kCapacity - used_) Flush();
    return buffer_.get() + used_;
  }
  void Commit(std::size_t n) { used_ += n; }

  // The free part of the buffer, flushed first when less than `n` bytes
  // (n <= kCapacity) are free. Encoders fill as many whole lines as fit and
  // Commit the bytes they used, so a block of lines costs one call.
  std::span<char> Room(std::size_t n) {
    if (n > kCapacity - used_) Flush();
    return std::span<char>(buffer_.get() + used_, kCapacity - used_);
  }

  // Hands the buffered bytes to the file.
  void Flush();

  // Flushes and closes the file. Returns kOk, or the first error of any
  // write or of the close. Safe to call once; later appends are dropped.
  int Close();

  // True while no write has failed.
  bool ok() const { return error_ == kOk; }
  int error() const { return error_; }

 private:
  void AppendSlow(std::string_view data);

  std::unique_ptr<WritableFile> file_;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
  int error_ = kOk;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_BUFFERED_WRITER_H_
