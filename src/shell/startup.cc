#include "shell/startup.h"

#include "startup_report/startup_report.h"

namespace vellaro {

void RunProgram(Env& env, AppState& state) {
  if (RunStartupReport(env, state) == StartupOutcome::kStopped) return;
  // TODO(shell): command tail, instance number, call evaluation.
}

}  // namespace vellaro
