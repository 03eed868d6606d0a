#include "shell/startup.h"

#include <string>

#include "shell/binding_scope.h"
#include "shell/by_name_entry.h"
#include "shell/command_tail.h"
#include "startup_report/startup_report.h"

namespace vellaro {

void RunProgram(Env& env, AppState& state) {
  BindingScope scope;
  if (RunStartupReport(env, state) == StartupOutcome::kStopped) return;
  std::string command_text = CommandText(env.CommandTail());
  state.instance = InstanceNumber(command_text);
  BindMakeEMLFileSW(scope, env, state);
  scope.Evaluate(CallText(command_text));
}

}  // namespace vellaro
