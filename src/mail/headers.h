// The header block of the message.

#ifndef VELLARO_MAIL_HEADERS_H_
#define VELLARO_MAIL_HEADERS_H_

#include <string_view>

#include "mail/eml_params.h"
#include "runtime/line_writer.h"

namespace vellaro {

// WriteHeaderBlock: writes the header block of the message, ending with the
// empty line that separates it from the body.
//
// From, Cc and Bcc appear only when given (non-blank); To and Subject
// always, even when blank. Values are written as the caller gave them,
// clipped, without character-set encoding or quoting. The block declares a
// multipart/related body with the boundary "----=_1_", carries the priority
// pair chosen by `priority` and marks the message as unsent.
void WriteHeaderBlock(const EmlParams& params, LineWriter& out);

// WriteAddressLines: writes the address list `list` as the header whose
// prefix is `prefix` ("To: "), one line per comma-separated piece.
//
// The first line is the prefix and the text up to and including the first
// comma; each later line is four spaces (a header continuation) and the text
// after the previous comma, up to and including the next one. Nothing is
// trimmed but trailing blanks. A last piece that is empty or blank (a list
// ending with a comma; line breaks count as blanks) is dropped: written, it
// would be an empty line and end the header block in the middle.
void WriteAddressLines(std::string_view prefix, std::string_view list,
                       LineWriter& out);

}  // namespace vellaro

#endif  // VELLARO_MAIL_HEADERS_H_
