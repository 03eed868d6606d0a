// The Win32 backend of Env, for tests and the program's entry point.
//
// NativeEnv builds it from the process's own command line with real message
// boxes; tests build it with a command line of their choice and a box
// function that answers in place of a person.

#ifndef VELLARO_RUNTIME_WIN32_ENV_H_
#define VELLARO_RUNTIME_WIN32_ENV_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/env.h"

namespace vellaro {

// Shows one message box the way MessageBoxW does, without an owner window:
// `type` holds the MB_ flags of the buttons, the icon and the default button.
// Returns the ID of the button pressed (IDOK, IDYES, IDNO), or 0 or -1 when
// no box could be shown.
using Win32BoxFunction = std::function<int(
    const std::wstring& title, const std::wstring& text, unsigned type)>;

// An Env whose command tail comes from `command_line` (a whole command line,
// as GetCommandLineW gives it) and whose boxes go to `show_box`.
std::unique_ptr<Env> NewWin32Env(std::wstring_view command_line,
                                 Win32BoxFunction show_box);

// The box function of the program: MessageBoxW.
int ShowWin32MessageBox(const std::wstring& title, const std::wstring& text,
                        unsigned type);

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_WIN32_ENV_H_
