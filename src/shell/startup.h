// The main procedure: start-up and command-line dispatch.

#ifndef VELLARO_SHELL_STARTUP_H_
#define VELLARO_SHELL_STARTUP_H_

#include "runtime/app_state.h"
#include "runtime/env.h"

namespace vellaro {

// RunProgram: the whole run. Performs the start-up report run, takes the
// instance number from the first command-line token, and evaluates the rest
// of the command tail as one call of MakeEMLFileSW. Everything the run
// produces comes from that call; a malformed command line does nothing.
void RunProgram(Env& env, AppState& state);

}  // namespace vellaro

#endif  // VELLARO_SHELL_STARTUP_H_
