#include "runtime/buffered_writer.h"

#include <cstring>
#include <utility>

namespace vellaro {

BufferedWriter::BufferedWriter(std::unique_ptr<WritableFile> file)
    : file_(std::move(file)), buffer_(new char[kCapacity]) {}

BufferedWriter::~BufferedWriter() {
  if (file_ != nullptr) Close();
  StopWorker();
}

void BufferedWriter::Leaving(std::string_view data) {
  if (tap_ != nullptr && !data.empty()) tap_->Take(data);
  handed_ += data.size();
}

void BufferedWriter::WriteNow(std::string_view data) {
  if (data.empty() || file_ == nullptr || !ok()) return;
  const int code = file_->Append(data);
  if (code == kOk) written_ += data.size();
  error_.store(code, std::memory_order_release);
}

void BufferedWriter::WorkerLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return pending_ > 0 || stopping_; });
    if (pending_ == 0) return;
    const std::string_view block(spare_.get(), pending_);
    lock.unlock();
    WriteNow(block);
    lock.lock();
    pending_ = 0;
    changed_.notify_all();
  }
}

void BufferedWriter::WaitForWorker() {
  if (!worker_.joinable()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return pending_ == 0; });
}

void BufferedWriter::HandOff() {
  if (used_ == 0) return;
  Leaving(std::string_view(buffer_.get(), used_));
  if (file_ == nullptr || !ok()) {
    used_ = 0;
    return;
  }
  if (!worker_.joinable()) {
    spare_.reset(new char[kCapacity]);
    worker_ = std::thread(&BufferedWriter::WorkerLoop, this);
  }
  WaitForWorker();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::swap(buffer_, spare_);
    pending_ = used_;
  }
  changed_.notify_all();
  used_ = 0;
}

void BufferedWriter::StopWorker() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void BufferedWriter::Flush() {
  WaitForWorker();
  const std::string_view data(buffer_.get(), used_);
  Leaving(data);
  WriteNow(data);
  used_ = 0;
}

void BufferedWriter::AppendSlow(std::string_view data) {
  if (data.size() >= kCapacity) {
    Flush();
    Leaving(data);
    WriteNow(data);
    return;
  }
  HandOff();
  std::memcpy(buffer_.get(), data.data(), data.size());
  used_ = data.size();
}

void BufferedWriter::Rewind(std::uint64_t size) {
  if (size >= handed_) {
    used_ = static_cast<std::size_t>(
        std::min<std::uint64_t>(size - handed_, used_));
    return;
  }
  WaitForWorker();
  used_ = 0;
  handed_ = size;
  // Every write before the first failed one went through, so the file is
  // sound up to `written_`; a failure past `size` goes with what is cut.
  if (file_ == nullptr || written_ < size) return;
  const int code = file_->Truncate(size);
  if (code == kOk) written_ = size;
  error_.store(code, std::memory_order_release);
}

int BufferedWriter::Close() {
  if (file_ == nullptr) return error();
  Flush();
  StopWorker();
  int closed = file_->Close();
  if (ok()) error_.store(closed, std::memory_order_release);
  file_.reset();
  return error();
}

}  // namespace vellaro
