#include "runtime/line_writer.h"

#include <algorithm>
#include <string>

#include "runtime/text.h"

namespace vellaro {

void LineWriter::AppendLine(std::string_view text) {
  std::string_view record = text.substr(0, kRecordWidth);
  if (record.find_first_of("\r\n") == std::string_view::npos) {
    out_.Append(Clip(record));
  } else {
    std::string cleaned(record);
    std::replace_if(
        cleaned.begin(), cleaned.end(),
        [](char c) { return c == '\r' || c == '\n'; }, ' ');
    out_.Append(Clip(cleaned));
  }
  out_.Append("\r\n");
}

void LineWriter::AppendLine(std::initializer_list<std::string_view> pieces) {
  std::string line;
  for (std::string_view piece : pieces) {
    line.append(piece);
    if (line.size() >= kRecordWidth) break;
  }
  AppendLine(line);
}

}  // namespace vellaro
