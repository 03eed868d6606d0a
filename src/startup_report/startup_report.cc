#include "startup_report/startup_report.h"

#include "encode/paths.h"

namespace vellaro {

StartupOutcome RunStartupReport(Env& env, AppState& state) {
  state.work_folder = env.CurrentDirectory() + "\\KQ\\";
  MakeFolders(env, state.work_folder);
  state.attachments.clear();
  state.message_text.clear();
  // TODO(startup_report): the Goods data file and its report.
  return StartupOutcome::kReady;
}

}  // namespace vellaro
