// The main procedure: start-up and command-line dispatch.

#ifndef VELLARO_SHELL_STARTUP_H_
#define VELLARO_SHELL_STARTUP_H_

#include "runtime/app_state.h"
#include "runtime/env.h"

namespace vellaro {

// RunProgram: the whole run, in this order and nothing else:
//  1. opens a binding scope for call texts;
//  2. runs the start-up report run, which sets the work folder; when that
//     run stops the program, returns at once without reading the command
//     line;
//  3. reads the command tail, cut at 10000 characters;
//  4. sets the instance number from its first token;
//  5. binds MakeEMLFileSW;
//  6. removes the leading numbers and evaluates the rest as one call text,
//     which, when it is a valid call of MakeEMLFileSW, writes the message;
//  7. closes the binding scope.
// Everything the run produces comes from that call. A malformed command
// line calls nothing, writes nothing and shows nothing; the value of the
// call is not used.
void RunProgram(Env& env, AppState& state);

}  // namespace vellaro

#endif  // VELLARO_SHELL_STARTUP_H_
