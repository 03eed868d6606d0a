#include "startup_report/goods_file.h"

#include "startup_report/warnings.h"

namespace vellaro {
namespace {

// How long a reopen waits for another program's lock to clear.
constexpr std::string_view kRecoverCommand = "Recover=10";

// The final text of the stop after warning 30.
constexpr std::string_view kDiskErrorText = "Disk Error";

// Shows `number` for the failure just reported by `file`.
WarningResult WarnAbout(Env& env, int number, const KeyedFile& file) {
  return ShowWarning(env, number, file.LastError(), file.Name());
}

OpenOutcome AfterFatalWarning(const WarningResult& warning) {
  return warning.stopped ? OpenOutcome::kStopped : OpenOutcome::kNotOpen;
}

// A missing file: create it and open the new file.
OpenOutcome CreateAndOpen(Env& env, KeyedFile& file, Access access) {
  if (file.Create() != kOk) {
    return AfterFatalWarning(WarnAbout(env, kWarningCreateError, file));
  }
  if (file.Open(access) == kOk) return OpenOutcome::kOpen;
  return AfterFatalWarning(WarnAbout(env, kWarningCreatedOpenError, file));
}

}  // namespace

const RecordLayout& GoodsLayout() {
  static const RecordLayout* const layout = new RecordLayout{
      "goods",
      {{"cus_id", FieldType::kLong, 4}, {"goods", FieldType::kString, 20}},
      {{"by_id_goods", {"cus_id", "goods"}}}};
  return *layout;
}

GoodsRecord ToGoodsRecord(const Record& record) {
  GoodsRecord goods;
  if (record.size() > 0) {
    if (const auto* id = std::get_if<std::int32_t>(&record[0])) {
      goods.cus_id = *id;
    }
  }
  if (record.size() > 1) {
    if (const auto* text = std::get_if<std::string>(&record[1])) {
      goods.goods = *text;
    }
  }
  return goods;
}

OpenOutcome OpenOrCreate(Env& env, KeyedFile& file, bool create_allowed,
                         Access access) {
  int code = file.Open(access);
  if (code == kFileIsLocked) {
    file.SendCommand(kRecoverCommand);
    code = file.Open(access);
  }
  switch (code) {
    case kOk:
    case kFileAlreadyOpen:
      return OpenOutcome::kOpen;
    case kFileNotFound:
      if (create_allowed) return CreateAndOpen(env, file, access);
      return AfterFatalWarning(WarnAbout(env, kWarningCreateError, file));
    case kInvalidRecordDeclaration:
      return AfterFatalWarning(WarnAbout(env, kWarningInvalidFile, file));
    case kKeyFileMustBeRebuilt:
      if (WarnAbout(env, kWarningInvalidKey, file).stopped) {
        return OpenOutcome::kStopped;
      }
      if (file.BuildKeys() != kOk) {
        return AfterFatalWarning(WarnAbout(env, kWarningKeyRebuildError, file));
      }
      code = file.Open(access);
      break;
    default:
      break;
  }
  if (code == kOk) return OpenOutcome::kOpen;
  if (WarnAbout(env, kWarningFileAccessError, file).answer != 0) {
    env.Stop(kDiskErrorText);
    return OpenOutcome::kStopped;
  }
  return OpenOutcome::kNotOpen;
}

GoodsFile::GoodsFile(Env& env)
    : env_(env), file_(env.NewKeyedFile(kGoodsFileName, GoodsLayout())) {}

OpenOutcome GoodsFile::Use() {
  OpenOutcome outcome = OpenOutcome::kOpen;
  if (use_count_ == 0) {
    outcome =
        OpenOrCreate(env_, *file_, /*create_allowed=*/true, Access::kReadWrite);
  }
  ++use_count_;
  return outcome;
}

void GoodsFile::Release() {
  if (use_count_ > 0 && --use_count_ == 0) file_->Close();
}

}  // namespace vellaro
