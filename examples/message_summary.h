// What a MIME message file holds, read the way a mail program reads it: the
// top-level headers and every leaf part with its decoded size.

#ifndef VELLARO_EXAMPLES_MESSAGE_SUMMARY_H_
#define VELLARO_EXAMPLES_MESSAGE_SUMMARY_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vellaro_demo {

// One leaf part of a message.
struct MessagePart {
  std::string content_type;  // "image/gif", lower case, no parameters
  std::string name;          // the file name or name parameter, if any
  std::string content_id;    // without the angle brackets
  std::uint64_t size = 0;    // bytes after the transfer encoding is undone
};

struct MessageSummary {
  // The top-level header fields in file order, continuation lines unfolded
  // and runs of white space made single blanks.
  std::vector<std::pair<std::string, std::string>> headers;
  std::vector<MessagePart> parts;
  bool closed = false;  // the outermost multipart has its closing delimiter

  // The value of header `name` (any letter case), or an empty text.
  std::string Header(std::string_view name) const;
};

// SummarizeMessage: reads the message text `eml` (lines ending in CR LF or
// LF). Multipart bodies are entered by their boundary parameter; base64
// and quoted-printable parts are measured decoded.
MessageSummary SummarizeMessage(std::string_view eml);

}  // namespace vellaro_demo

#endif  // VELLARO_EXAMPLES_MESSAGE_SUMMARY_H_
