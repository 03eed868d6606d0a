// LineWriter: the message file, a text file of 256-character line records.
//
// Appending a line writes the record without its trailing blanks, then CR
// LF. Text longer than a record is cut at 256 characters first; an empty or
// all-blank record gives an empty line. A CR or LF inside the text becomes a
// blank, so that no text can add lines of its own to the file (a caller's
// argument must never be able to add a header or end the header block).

#ifndef VELLARO_RUNTIME_LINE_WRITER_H_
#define VELLARO_RUNTIME_LINE_WRITER_H_

#include <cstddef>
#include <memory>
#include <string_view>

#include "runtime/buffered_writer.h"

namespace vellaro {

class LineWriter {
 public:
  static constexpr std::size_t kRecordWidth = 256;

  explicit LineWriter(std::unique_ptr<WritableFile> file)
      : out_(std::move(file)) {}

  // Appends one line by the record rules above.
  void AppendLine(std::string_view text);

  // Appends the concatenation of `pieces` as one line.
  void AppendLine(std::initializer_list<std::string_view> pieces);

  // Appends an empty line.
  void AppendEmptyLine() { out_.Append("\r\n"); }

  // The underlying writer, for encoders that produce lines already in record
  // form (at most 256 characters, no blanks at their end, no CR or LF inside)
  // and append them, each with its CR LF, in bulk.
  BufferedWriter& raw() { return out_; }

  // True while no write has failed.
  bool ok() const { return out_.ok(); }

  // Flushes and closes; kOk or the first write or close error.
  int Close() { return out_.Close(); }

 private:
  BufferedWriter out_;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_LINE_WRITER_H_
