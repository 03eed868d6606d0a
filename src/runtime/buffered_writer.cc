#include "runtime/buffered_writer.h"

#include <cstring>
#include <utility>

namespace vellaro {

BufferedWriter::BufferedWriter(std::unique_ptr<WritableFile> file)
    : file_(std::move(file)), buffer_(new char[kCapacity]) {}

BufferedWriter::~BufferedWriter() {
  if (file_ != nullptr) Close();
}

void BufferedWriter::Flush() {
  if (used_ > 0 && file_ != nullptr && error_ == kOk) {
    error_ = file_->Append(std::string_view(buffer_.get(), used_));
  }
  used_ = 0;
}

void BufferedWriter::AppendSlow(std::string_view data) {
  Flush();
  if (data.size() >= kCapacity) {
    if (file_ != nullptr && error_ == kOk) error_ = file_->Append(data);
    return;
  }
  std::memcpy(buffer_.get(), data.data(), data.size());
  used_ = data.size();
}

int BufferedWriter::Close() {
  if (file_ == nullptr) return error_;
  Flush();
  int closed = file_->Close();
  if (error_ == kOk) error_ = closed;
  file_.reset();
  return error_;
}

}  // namespace vellaro
