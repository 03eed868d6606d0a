// The base64 encoder of whole files.

#ifndef VELLARO_ENCODE_BASE64_H_
#define VELLARO_ENCODE_BASE64_H_

#include <cstdint>
#include <string_view>

#include "runtime/env.h"
#include "runtime/line_writer.h"

namespace vellaro {

// EncodeFileBase64: appends the base64 form (RFC 2045 alphabet, "=" padding)
// of the file `path` to the message file `out`, 76 characters a line.
//
// Every line but the last holds 76 characters (57 input bytes); the last
// holds the rest, padded to a multiple of four, and is always written: it is
// empty for an empty file or one whose size is a multiple of 57. The path is
// used clipped and cut at 256 characters; the file is opened for reading
// with other writers denied. Returns 0 when the file was encoded, 1 when it
// cannot be opened (nothing is appended then). A read error in the middle
// ends the data as if the file ended there. Works in constant memory.
std::uint8_t EncodeFileBase64(Env& env, std::string_view path, LineWriter& out);

}  // namespace vellaro

#endif  // VELLARO_ENCODE_BASE64_H_
