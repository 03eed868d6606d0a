// The start-up report run that begins every run of the program.

#ifndef VELLARO_STARTUP_REPORT_STARTUP_REPORT_H_
#define VELLARO_STARTUP_REPORT_STARTUP_REPORT_H_

#include "runtime/app_state.h"
#include "runtime/env.h"

namespace vellaro {

enum class StartupOutcome {
  kReady,    // the work folder is set; the program goes on
  kStopped,  // a fatal data-file failure ended the program (Env::Stop was
             // called); the caller returns without reading the command line
};

// RunStartupReport: sets the work folder to the current directory followed
// by "\KQ\" and creates it, empties the message text and attachment lists,
// then opens (or creates) the Goods data file and runs the hidden report
// over its records, reporting data-file failures with the standard
// warnings.
StartupOutcome RunStartupReport(Env& env, AppState& state);

}  // namespace vellaro

#endif  // VELLARO_STARTUP_REPORT_STARTUP_REPORT_H_
