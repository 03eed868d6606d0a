// The base64 encoder of whole files.

#ifndef VELLARO_ENCODE_BASE64_H_
#define VELLARO_ENCODE_BASE64_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/env.h"
#include "runtime/line_writer.h"

namespace vellaro {

// Base64Stream: the base64 lines of bytes that arrive in pieces, appended
// to the message file `out` as they form.
//
// Take() accepts the next piece, of any size; Finish() writes the last line.
// Together they append exactly the text EncodeFileBase64 gives for a file
// holding the same bytes, so a document can be encoded while it is written
// instead of being read back. Works in constant memory.
class Base64Stream final : public ByteSink {
 public:
  explicit Base64Stream(LineWriter& out);

  void Take(std::string_view data) override;
  void Finish();

 private:
  static constexpr std::size_t kLineBytes = 57;
  static constexpr std::size_t kSlack = 16;  // the line encoder reads ahead

  BufferedWriter& out_;
  // The bytes of the unfinished line, with the read-ahead room after them.
  std::array<unsigned char, kLineBytes + kSlack> carry_{};
  std::size_t carried_ = 0;
};

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
