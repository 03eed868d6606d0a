// The parts of the message that carry files.

#ifndef VELLARO_MAIL_PARTS_H_
#define VELLARO_MAIL_PARTS_H_

#include <cstdint>
#include <string>

#include "mail/eml_params.h"
#include "mail/make_eml_file.h"
#include "runtime/app_state.h"
#include "runtime/env.h"
#include "runtime/line_writer.h"

namespace vellaro {

// WriteParts: writes the base64 parts of the message after its alternative
// section, in this order: the RTF document (with its saved copies), the
// page metafiles and the two arrows, the background sound, and the files of
// the attachment list. Stops short of the closing delimiter.
//
// Returns kEmlDone when every part was written; kEmlUnreadable when the RTF
// work file, a page file or an attachment cannot be read (the message then
// ends after that part's headers and their empty line); kEmlNotWritten as
// soon as a write to the message has failed (a full disk). An arrow that
// cannot be read is replaced by the built-in one; a sound that cannot be
// read leaves its part without data; neither stops the run.
EmlResult WriteParts(Env& env, const AppState& state, const EmlParams& params,
                     LineWriter& out);

// The path of the RTF work file: the work folder, the instance number and
// ".RTF" (instance 5: "...\5.RTF").
std::string RtfWorkFilePath(const AppState& state);

// The bare file name of `path`: the part after its last path separator, or
// all of it when it has none.
std::string_view BareFileName(std::string_view path);

}  // namespace vellaro

#endif  // VELLARO_MAIL_PARTS_H_
