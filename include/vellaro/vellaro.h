// Vellaro as a library: the message builder, called without a command line.
//
// A host that links vellaro::mail writes its e-mail draft in-process
// instead of starting the vellaro program. It prints its report as it would
// for the program, one placeable Windows metafile per page named
// <work folder>/<instance><page>.WMF, fills an EmlParams with the 27
// parameters of a MakeEMLFileSW call (numbers as numbers, in the same
// order and with the same meaning) and calls MakeEMLFile:
//
//   vellaro::EmlParams params;
//   params.eml_file_name = "/tmp/report.eml";
//   params.page_count = 3;
//   params.mail_to = "ann@example.com";
//   params.mail_subject = "Goods report";
//   params.rtf_name = "Goods";
//   params.page_width = 8270;
//   params.page_height = 11530;
//   params.paper_name = "A4";
//   std::uint8_t result = vellaro::MakeEMLFile(params, "/tmp/pages", 5);
//
// reads /tmp/pages/51.WMF to 53.WMF and writes /tmp/report.eml, with the RTF
// document left as /tmp/pages/5.RTF and /tmp/pages/Goods.RTF. Unlike the
// program, the library performs no start-up report run and touches no
// GOODS data file. Calls must not overlap: the builder keeps no state of
// its own between calls, but the Env it uses is shared.

#ifndef VELLARO_VELLARO_H_
#define VELLARO_VELLARO_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "mail/eml_params.h"
#include "mail/make_eml_file.h"
#include "runtime/app_state.h"
#include "runtime/env.h"

namespace vellaro {

// MakeEMLFile: writes the message `params` describes from the page files
// of `instance` in `work_folder` (an existing folder; a slash or a
// backslash separates levels, and a trailing one may be left out; empty
// means the current directory), through the operating system's Env.
// Returns kEmlDone (0) when the message was written completely,
// kEmlUnreadable (1) when a page or the RTF work file could not be read
// (the message ends where that part began), kEmlNotWritten (2) when the
// page count is 0 or the message file cannot be created. Shows nothing.
inline std::uint8_t MakeEMLFile(const EmlParams& params,
                                std::string_view work_folder,
                                std::uint8_t instance) {
  AppState state;
  state.work_folder = std::string(work_folder);
  if (!state.work_folder.empty() && state.work_folder.back() != '\\' &&
      state.work_folder.back() != '/') {
    state.work_folder += '/';
  }
  state.instance = instance;
  return MakeEMLFile(*NativeEnv(0, nullptr), state, params);
}

}  // namespace vellaro

#endif  // VELLARO_VELLARO_H_
