// vellaro: writes a report's printed pages into an e-mail draft.
//
// Usage:
//   vellaro <instance> [numbers...] MakeEMLFileSW('<out.eml>','<pages>',...)
// The exit code is always 0; the message file is the only result.

#include "runtime/app_state.h"
#include "runtime/env.h"
#include "shell/startup.h"

int main(int argc, char** argv) {
  vellaro::AppState state;
  vellaro::RunProgram(*vellaro::NativeEnv(argc, argv), state);
  return 0;
}
