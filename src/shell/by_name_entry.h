// MakeEMLFileSW: the message builder reached by name, with text arguments.

#ifndef VELLARO_SHELL_BY_NAME_ENTRY_H_
#define VELLARO_SHELL_BY_NAME_ENTRY_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "mail/eml_params.h"
#include "runtime/app_state.h"
#include "runtime/env.h"
#include "shell/binding_scope.h"

namespace vellaro {

// The name a call text uses, and the number of its text parameters.
inline constexpr std::string_view kMakeEMLFileSWName = "MakeEMLFileSW";
inline constexpr int kMakeEMLFileSWParameterCount = 27;

// EmlParamsFromTexts: the MakeEMLFile parameters that the texts stand for,
// text k giving parameter k. Texts after the last one given count as empty.
// Text parameters are taken unchanged, trailing blanks included. Parameters
// 5, 16, 18, 19, 20 and 21 are whole numbers (WholeNumberFromText) and 2, 6,
// 9, 15, 17 and 25 small numbers (SmallNumberFromText); a text that is no
// number gives 0. Texts beyond the 27th are ignored.
EmlParams EmlParamsFromTexts(std::span<const std::string> texts);

// MakeEMLFileSW: converts the texts with EmlParamsFromTexts and calls
// MakeEMLFile once with them; returns its result unchanged. Adds nothing of
// its own: no checks, no files, no messages.
std::uint8_t MakeEMLFileSW(Env& env, const AppState& state,
                           std::span<const std::string> texts);

// BindMakeEMLFileSW: makes MakeEMLFileSW callable in `scope` under its name
// with 27 text parameters. `env` and `state` must outlive the binding.
void BindMakeEMLFileSW(BindingScope& scope, Env& env, const AppState& state);

}  // namespace vellaro

#endif  // VELLARO_SHELL_BY_NAME_ENTRY_H_
