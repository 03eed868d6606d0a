// The message builder.

#ifndef VELLARO_MAIL_MAKE_EML_FILE_H_
#define VELLARO_MAIL_MAKE_EML_FILE_H_

#include <cstdint>

#include "mail/eml_params.h"
#include "runtime/app_state.h"
#include "runtime/env.h"

namespace vellaro {

// Results of MakeEMLFile.
enum EmlResult : std::uint8_t {
  kEmlDone = 0,        // the message was written completely and closed
  kEmlUnreadable = 1,  // a page, the RTF work file or an attachment could
                       // not be read; the message ends where that part began
  kEmlNotWritten = 2,  // no pages, or the message file could not be created
                       // or written
};

// MakeEMLFile: writes one MIME message (".eml", marked unsent) holding the
// pages of a report: headers, an HTML body showing each page inline with
// arrows between pages, and base64 parts for the RTF document, the page
// metafiles, the arrows, the sound and the extra attachments.
//
// Reads the page files, work folder, instance number and both lists from
// `state`. Writes the message front to back, once; an existing file of the
// name is replaced. Shows nothing; the result is the only report.
std::uint8_t MakeEMLFile(Env& env, const AppState& state,
                         const EmlParams& params);

}  // namespace vellaro

#endif  // VELLARO_MAIL_MAKE_EML_FILE_H_
