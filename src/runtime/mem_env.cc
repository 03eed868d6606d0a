#include "runtime/mem_env.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <random>
#include <utility>

#include "runtime/sqlite_keyed_file.h"
#include "runtime/text.h"

namespace vellaro {

class MemSequentialFile final : public SequentialFile {
 public:
  MemSequentialFile(MemEnv* env, std::shared_ptr<MemEnv::Node> node)
      : env_(env), node_(std::move(node)) {
    ++node_->readers;  // under the caller's lock
  }
  ~MemSequentialFile() override {
    std::lock_guard<std::recursive_mutex> lock(env_->mutex_);
    --node_->readers;
  }

  int Read(char* scratch, std::size_t n, std::size_t* got) override {
    std::lock_guard<std::recursive_mutex> lock(env_->mutex_);
    ++env_->read_calls_;
    *got = 0;
    if (pos_ >= node_->fail_reads_after) return kFileSystemError;
    std::uint64_t limit =
        std::min<std::uint64_t>(node_->data.size(), node_->fail_reads_after);
    std::uint64_t left = limit > pos_ ? limit - pos_ : 0;
    std::size_t take = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::min(n, node_->read_size_limit), left));
    node_->data.copy(scratch, take, static_cast<std::size_t>(pos_));
    pos_ += take;
    *got = take;
    return kOk;
  }

 private:
  MemEnv* env_;
  std::shared_ptr<MemEnv::Node> node_;
  std::uint64_t pos_ = 0;
};

class MemWritableFile final : public WritableFile {
 public:
  MemWritableFile(MemEnv* env, std::shared_ptr<MemEnv::Node> node)
      : env_(env), node_(std::move(node)) {
    node_->writer = true;  // under the caller's lock
  }
  ~MemWritableFile() override { Close(); }

  int Append(std::string_view data) override {
    std::lock_guard<std::recursive_mutex> lock(env_->mutex_);
    ++env_->append_calls_;
    if (!open_) return kFileNotOpen;
    if (env_->UsedBytes() + data.size() > env_->capacity_) {
      return kFileSystemError;
    }
    node_->data.append(data);
    return kOk;
  }

  int Truncate(std::uint64_t size) override {
    std::lock_guard<std::recursive_mutex> lock(env_->mutex_);
    if (!open_) return kFileNotOpen;
    if (size < node_->data.size()) node_->data.resize(size);
    return kOk;
  }

  int Close() override {
    std::lock_guard<std::recursive_mutex> lock(env_->mutex_);
    if (open_) node_->writer = false;
    open_ = false;
    return kOk;
  }

 private:
  MemEnv* env_;
  std::shared_ptr<MemEnv::Node> node_;
  bool open_ = true;
};

// A keyed file of the MemEnv: the real driver, with injected faults in
// front of it and every call written to the MemEnv's events.
class MemKeyedFile final : public KeyedFile {
 public:
  MemKeyedFile(MemEnv* env, std::unique_ptr<KeyedFile> file)
      : env_(env), file_(std::move(file)) {}

  int Open(Access access) override {
    return Call(KeyedOp::kOpen, "Open", [&] { return file_->Open(access); });
  }
  int Create() override {
    return Call(KeyedOp::kCreate, "Create", [&] { return file_->Create(); });
  }
  std::string SendCommand(std::string_view command) override {
    env_->events_.push_back("Command " + std::string(command));
    return file_->SendCommand(command);
  }
  int BuildKeys() override {
    return Call(KeyedOp::kBuildKeys, "BuildKeys",
                [&] { return file_->BuildKeys(); });
  }
  std::string Name() const override { return file_->Name(); }
  int Size(std::int64_t* bytes) override {
    *bytes = 0;
    return Call(KeyedOp::kSize, "Size", [&] { return file_->Size(bytes); });
  }
  int Close() override {
    injected_ = false;
    int code = file_->Close();
    Log("Close", code);
    return code;
  }
  int SetRecordOrder() override {
    return Call(KeyedOp::kSetRecordOrder, "SetRecordOrder",
                [&] { return file_->SetRecordOrder(); });
  }
  int OpenView() override {
    return Call(KeyedOp::kOpenView, "OpenView",
                [&] { return file_->OpenView(); });
  }
  int Next(Record* record) override {
    return Call(KeyedOp::kNext, "Next", [&] { return file_->Next(record); });
  }
  void CloseView() override { file_->CloseView(); }
  int Add(std::span<const Record> records) override {
    injected_ = false;
    return file_->Add(records);
  }
  std::size_t RecordSize() const override { return file_->RecordSize(); }
  const ErrorState& LastError() const override {
    return injected_ ? injected_error_ : file_->LastError();
  }

 private:
  template <typename F>
  int Call(KeyedOp op, const char* label, F&& call) {
    injected_ = env_->TakeKeyedFault(op, &injected_error_);
    int code = injected_ ? injected_error_.code : call();
    if (op != KeyedOp::kNext || code != kOk) Log(label, code);
    return code;
  }

  void Log(const char* label, int code) {
    std::string event = label;
    if (std::string_view(label) == "Open")
      event.append(" ").append(file_->Name());
    env_->events_.push_back(event + ": " + Decimal(code));
  }

  MemEnv* env_;
  std::unique_ptr<KeyedFile> file_;
  bool injected_ = false;
  ErrorState injected_error_;
};

MemEnv::MemEnv() { folders_.insert("/"); }

MemEnv::~MemEnv() {
  if (owns_keyed_folder_) {
    std::error_code ignored;
    std::filesystem::remove_all(keyed_folder_, ignored);
  }
}

const std::string& MemEnv::keyed_file_folder() {
  if (keyed_folder_.empty()) {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    while (true) {
      std::filesystem::path folder =
          base / ("vellaro_memenv_" + Decimal(random()));
      if (std::filesystem::create_directory(folder)) {
        keyed_folder_ = folder.string();
        owns_keyed_folder_ = true;
        break;
      }
    }
  }
  return keyed_folder_;
}

void MemEnv::set_keyed_file_folder(std::string folder) {
  keyed_folder_ = std::move(folder);
  owns_keyed_folder_ = false;
}

void MemEnv::FailKeyedOp(KeyedOp op, ErrorState error, int times) {
  keyed_faults_.push_back(KeyedFault{op, std::move(error), times});
}

bool MemEnv::TakeKeyedFault(KeyedOp op, ErrorState* error) {
  for (auto it = keyed_faults_.begin(); it != keyed_faults_.end(); ++it) {
    if (it->op != op) continue;
    *error = it->error;
    if (--it->times <= 0) keyed_faults_.erase(it);
    return true;
  }
  return false;
}

std::unique_ptr<KeyedFile> MemEnv::NewKeyedFile(std::string_view name,
                                                const RecordLayout& layout) {
  std::string full_name = WithDefaultExtension(name);
  std::size_t level = full_name.find_last_of("\\/");
  std::string last_level =
      level == std::string::npos ? full_name : full_name.substr(level + 1);
  std::string path = keyed_file_folder() + "/" + last_level;
  return std::make_unique<MemKeyedFile>(
      this, NewSqliteKeyedFile(full_name, path, layout));
}

std::string MemEnv::Normalize(std::string_view path) const {
  std::string raw(path);
  for (char& c : raw) {
    if (c == '\\') c = '/';
  }
  if (raw.empty() || raw[0] != '/') raw = cwd_ + "/" + raw;
  // Collapse repeated separators and "." levels; resolve "..".
  std::vector<std::string> levels;
  std::size_t pos = 0;
  while (pos <= raw.size()) {
    std::size_t next = raw.find('/', pos);
    if (next == std::string::npos) next = raw.size();
    std::string level = raw.substr(pos, next - pos);
    if (level == "..") {
      if (!levels.empty()) levels.pop_back();
    } else if (!level.empty() && level != ".") {
      levels.push_back(level);
    }
    pos = next + 1;
  }
  std::string normal;
  for (const std::string& level : levels) normal += "/" + level;
  return normal.empty() ? "/" : normal;
}

bool MemEnv::ParentExists(const std::string& normal) const {
  std::size_t slash = normal.rfind('/');
  std::string parent = slash == 0 ? "/" : normal.substr(0, slash);
  return folders_.count(parent) != 0;
}

int MemEnv::InjectedOpenError(const std::string& normal) const {
  auto it = open_errors_.find(normal);
  return it == open_errors_.end() ? kOk : it->second;
}

std::uint64_t MemEnv::UsedBytes() const {
  std::uint64_t used = 0;
  for (const auto& [path, node] : files_) used += node->data.size();
  return used;
}

void MemEnv::PutFolder(std::string_view path) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::string normal = Normalize(path);
  for (std::size_t pos = 1; pos <= normal.size(); ++pos) {
    if (pos == normal.size() || normal[pos] == '/') {
      folders_.insert(normal.substr(0, pos));
    }
  }
}

void MemEnv::PutFile(std::string_view path, std::string_view contents) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::string normal = Normalize(path);
  std::size_t slash = normal.rfind('/');
  if (slash > 0) PutFolder(normal.substr(0, slash));
  auto& node = files_[normal];
  if (!node) node = std::make_shared<Node>();
  node->data.assign(contents);
}

std::string MemEnv::FileContents(std::string_view path) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = files_.find(Normalize(path));
  return it == files_.end() ? std::string() : it->second->data;
}

bool MemEnv::FileExists(std::string_view path) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return files_.count(Normalize(path)) != 0;
}

bool MemEnv::FolderExists(std::string_view path) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return folders_.count(Normalize(path)) != 0;
}

std::vector<std::string> MemEnv::FilePaths() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<std::string> paths;
  for (const auto& [path, node] : files_) paths.push_back(path);
  return paths;
}

void MemEnv::FailOpen(std::string_view path, int code) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  open_errors_[Normalize(path)] = code;
}

void MemEnv::FailReadsAfter(std::string_view path, std::uint64_t bytes) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = files_.find(Normalize(path));
  if (it != files_.end()) it->second->fail_reads_after = bytes;
}

void MemEnv::LimitReadSize(std::string_view path, std::size_t bytes) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = files_.find(Normalize(path));
  if (it != files_.end()) {
    it->second->read_size_limit = std::max<std::size_t>(1, bytes);
  }
}

void MemEnv::HoldForWriting(std::string_view path, bool held) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = files_.find(Normalize(path));
  if (it != files_.end()) it->second->held_elsewhere = held;
}

void MemEnv::SetReadOnly(std::string_view path, bool read_only) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = files_.find(Normalize(path));
  if (it != files_.end()) it->second->read_only = read_only;
}

int MemEnv::OpenForReading(std::string_view path,
                           std::unique_ptr<SequentialFile>* file) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::string normal = Normalize(path);
  if (int code = InjectedOpenError(normal); code != kOk) return code;
  auto it = files_.find(normal);
  if (it == files_.end()) {
    if (folders_.count(normal) != 0) return kAccessDenied;
    return ParentExists(normal) ? kFileNotFound : kPathNotFound;
  }
  const Node& node = *it->second;
  if (node.writer || node.held_elsewhere) return kFileIsLocked;
  *file = std::make_unique<MemSequentialFile>(this, it->second);
  return kOk;
}

int MemEnv::CreateForWriting(std::string_view path,
                             std::unique_ptr<WritableFile>* file) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::string normal = Normalize(path);
  if (int code = InjectedOpenError(normal); code != kOk) return code;
  if (folders_.count(normal) != 0) return kAccessDenied;
  if (!ParentExists(normal)) return kPathNotFound;
  auto& node = files_[normal];
  if (!node) node = std::make_shared<Node>();
  if (node->read_only) return kAccessDenied;
  if (node->writer || node->readers > 0 || node->held_elsewhere) {
    return kFileIsLocked;
  }
  node->data.clear();
  *file = std::make_unique<MemWritableFile>(this, node);
  return kOk;
}

int MemEnv::DeleteFile(std::string_view path) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::string normal = Normalize(path);
  auto it = files_.find(normal);
  if (it == files_.end()) {
    if (folders_.count(normal) != 0) return kAccessDenied;
    return ParentExists(normal) ? kFileNotFound : kPathNotFound;
  }
  const Node& node = *it->second;
  if (node.read_only) return kAccessDenied;
  if (node.writer || node.readers > 0 || node.held_elsewhere) {
    return kFileIsLocked;
  }
  files_.erase(it);
  return kOk;
}

int MemEnv::CopyFile(std::string_view from, std::string_view to) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::unique_ptr<SequentialFile> source;
  int code = OpenForReading(from, &source);
  if (code != kOk) return code;
  std::unique_ptr<WritableFile> target;
  code = CreateForWriting(to, &target);
  if (code != kOk) return code;
  std::string block(64 * 1024, '\0');
  while (true) {
    std::size_t got = 0;
    code = source->Read(block.data(), block.size(), &got);
    if (code != kOk || got == 0) break;
    code = target->Append(std::string_view(block.data(), got));
    if (code != kOk) break;
  }
  target->Close();
  target.reset();
  if (code != kOk) files_.erase(Normalize(to));
  return code;
}

int MemEnv::CreateFolder(std::string_view path) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::string normal = Normalize(path);
  if (int code = InjectedOpenError(normal); code != kOk) return code;
  if (folders_.count(normal) != 0 || files_.count(normal) != 0) {
    return kAccessDenied;
  }
  if (!ParentExists(normal)) return kPathNotFound;
  folders_.insert(normal);
  return kOk;
}

std::int64_t MemEnv::RandomBetween(std::int64_t low, std::int64_t high) {
  if (randoms_.empty()) return low;
  std::int64_t value = randoms_.front();
  randoms_.pop_front();
  return std::clamp(value, low, high);
}

int MemEnv::ShowMessageBox(const MessageBox& box) {
  boxes_.push_back(box);
  events_.push_back("Box: " + box.title);
  if (answers_.empty()) return box.default_answer;
  int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void MemEnv::Stop(std::string_view final_text) {
  stops_.emplace_back(final_text);
  events_.push_back("Stop: " + std::string(final_text));
}

}  // namespace vellaro
