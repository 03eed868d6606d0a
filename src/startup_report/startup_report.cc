#include "startup_report/startup_report.h"

#include <optional>
#include <string>

#include "encode/paths.h"
#include "runtime/hidden_window.h"
#include "runtime/report_engine.h"
#include "startup_report/goods_report.h"
#include "startup_report/warnings.h"

namespace vellaro {
namespace {

// Records printed per timer event.
constexpr int kBatchSize = 1000;

// The file name text of warning 35.
constexpr std::string_view kGoodsLabel = "Goods";

// What the progress window would show. It is hidden before it is first
// shown, so none of it reaches the screen; it is kept up to date all the
// same, as the window's owner would see it.
struct ProgressWindow {
  std::string caption = "Progress...";
  std::string upper_text;
  std::string percent_text;
  int bar = 0;  // 0..100
  bool hidden = false;
};

// One run of the report over Goods, driven by the hidden window's events.
class GoodsReportRun {
 public:
  GoodsReportRun(Env& env, KeyedFile& goods, StartupReportTrace* trace)
      : env_(env), goods_(goods), trace_(trace) {}

  // Prepares the window, reads every record into the report through the
  // window's events and closes the report unprinted. Goods must be open.
  void Run() {
    goods_.Size(&file_size_);  // 0 when it cannot be told
    progress_window_.percent_text = "0% Completed";
    progress_window_.caption = "Generating Report";
    progress_window_.upper_text.clear();
    progress_window_.hidden = true;
    goods_.SendCommand("QUICKSCAN=on");
    window_.Run([this](WindowEvent event) { OnEvent(event); });
    goods_.SendCommand("QUICKSCAN=off");
    CloseReport();
  }

  // Ends the run after Goods is released: the view is closed.
  void Finish() { goods_.CloseView(); }

 private:
  void OnEvent(WindowEvent event) {
    switch (event) {
      case WindowEvent::kOpen:
        OnOpen();
        break;
      case WindowEvent::kTimer:
        OnTimer();
        break;
      case WindowEvent::kClose:
        break;
    }
  }

  // Starts reading in record order; opens the report when there is a first
  // record, and asks for the close otherwise.
  void OnOpen() {
    // Warning 36 only informs; reading goes on without the view's limits.
    if (goods_.SetRecordOrder() != kOk) WarnViewOpen();
    if (goods_.OpenView() != kOk) WarnViewOpen();
    if (!ReadNext()) {
      window_.RequestClose();
      return;
    }
    report_.emplace(GoodsReportDefinition(), &page_list_, nullptr);
    if (trace_ != nullptr) trace_->report_opened = true;
  }

  // Prints up to one batch of details; at the end of the records asks for
  // the close.
  void OnTimer() {
    int printed = 0;
    while (printed < kBatchSize) {
      report_->PrintDetail(current_);
      ++printed;
      if (trace_ != nullptr) trace_->printed.push_back(ToGoodsRecord(current_));
      if (!ReadNext()) {
        window_.RequestClose();
        break;
      }
    }
    if (trace_ != nullptr) trace_->details_per_timer_event.push_back(printed);
  }

  // Reads the next record into current_. False at the end of the records,
  // and after a failed read, which warning 35 reports.
  bool ReadNext() {
    int code = goods_.Next(&current_);
    if (code != kOk) {
      if (code != kRecordNotAvailable) {
        ShowWarning(env_, kWarningRecordRetrieval, goods_.LastError(),
                    kGoodsLabel);
      }
      return false;
    }
    bytes_read_ += static_cast<std::int64_t>(goods_.RecordSize());
    if (progress_ < 100) ShowProgress(ProgressPercent(bytes_read_, file_size_));
    return true;
  }

  void ShowProgress(int percent) {
    if (percent == progress_) return;
    progress_ = percent;
    progress_window_.bar = percent;
    progress_window_.percent_text = PercentText(percent);
  }

  void WarnViewOpen() {
    ShowWarning(env_, kWarningViewOpenError, goods_.LastError());
  }

  // Closes the report without the end-of-report step, so nothing is
  // printed, and empties the page list.
  void CloseReport() {
    if (report_) {
      if (trace_ != nullptr) trace_->pages = report_->page_count();
      report_->Close();
    }
    page_list_.clear();
  }

  Env& env_;
  KeyedFile& goods_;
  StartupReportTrace* trace_;
  HiddenWindow window_;
  ProgressWindow progress_window_;
  std::optional<Report> report_;
  PageList page_list_;
  Record current_;
  std::int64_t file_size_ = 0;
  std::int64_t bytes_read_ = 0;
  int progress_ = 0;
};

}  // namespace

StartupOutcome RunStartupReport(Env& env, AppState& state,
                                StartupReportTrace* trace) {
  state.work_folder = env.CurrentDirectory() + "\\KQ\\";
  MakeFolders(env, state.work_folder);
  state.attachments.clear();
  state.message_text.clear();

  GoodsFile goods(env);
  if (goods.Use() == OpenOutcome::kStopped) return StartupOutcome::kStopped;
  GoodsReportRun run(env, goods.file(), trace);
  run.Run();
  goods.Release();
  run.Finish();
  return StartupOutcome::kReady;
}

}  // namespace vellaro
