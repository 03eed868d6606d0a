// vellaro: writes a report's printed pages into an e-mail draft.
//
// Usage:
//   vellaro <instance> [numbers...] MakeEMLFileSW('<out.eml>','<pages>',...)
// The exit code is always 0; the message file is the only result.
//
// On Windows the program is a GUI program without a window (no console
// appears when a host starts it); it reads its command line itself, so the
// entry point passes no arguments on.

#include "runtime/app_state.h"
#include "runtime/env.h"
#include "shell/startup.h"

#ifdef _WIN32

#include "runtime/win32_windows.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  vellaro::AppState state;
  vellaro::RunProgram(*vellaro::NativeEnv(0, nullptr), state);
  return 0;
}

#else

int main(int argc, char** argv) {
  vellaro::AppState state;
  vellaro::RunProgram(*vellaro::NativeEnv(argc, argv), state);
  return 0;
}

#endif
