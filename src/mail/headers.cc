#include "mail/headers.h"

#include <string>

#include "runtime/text.h"

namespace vellaro {
namespace {

// How a header row gets its value.
enum class Value {
  kNone,           // a fixed line
  kText,           // the prefix and the field, clipped
  kAddressList,    // the prefix and the field split at its commas
  kPriorityLevel,  // the X-Priority line of the priority pair
  kPriorityWord,   // the X-MSMail-Priority line of the priority pair
};

// When a header row is written.
enum class When { kAlways, kIfGiven };

struct HeaderRow {
  std::string_view text;  // the whole line, or the prefix of its value
  const std::string EmlParams::*field;
  Value value;
  When when;
};

constexpr HeaderRow Fixed(std::string_view line) {
  return {line, nullptr, Value::kNone, When::kAlways};
}
constexpr HeaderRow Field(std::string_view prefix,
                          const std::string EmlParams::*field, Value value,
                          When when) {
  return {prefix, field, value, when};
}

// The header block, in the order written.
constexpr HeaderRow kHeaderBlock[] = {
    Field("From: ", &EmlParams::mail_from, Value::kText, When::kIfGiven),
    Field("To: ", &EmlParams::mail_to, Value::kAddressList, When::kAlways),
    Field("Cc: ", &EmlParams::mail_cc, Value::kAddressList, When::kIfGiven),
    Field("Bcc: ", &EmlParams::mail_bcc, Value::kAddressList, When::kIfGiven),
    Field("Subject: ", &EmlParams::mail_subject, Value::kText, When::kAlways),
    Fixed("Date:"),
    Fixed("MIME-Version:"),
    Fixed("Content-Type: multipart/related;"),
    Fixed(R"(    type="multipart/alternative";)"),
    Fixed(R"(    boundary="----=_1_")"),
    Field("", &EmlParams::priority, Value::kPriorityLevel, When::kAlways),
    Field("", &EmlParams::priority, Value::kPriorityWord, When::kAlways),
    Fixed("X-Unsent: 1"),
    Fixed("X-MimeOLE:"),
    Fixed(""),  // ends the header block
};

struct PriorityPair {
  std::string_view priority;  // the caller's word, compared exactly
  std::string_view level_line;
  std::string_view word_line;
};

constexpr PriorityPair kPriorities[] = {
    {"High", "X-Priority: 1", "X-MSMail-Priority: High"},
    {"Low", "X-Priority: 5", "X-MSMail-Priority: Low"},
};
constexpr PriorityPair kNormalPriority = {"", "X-Priority: 3",
                                          "X-MSMail-Priority: Normal"};

const PriorityPair& PriorityPairOf(std::string_view priority) {
  for (const PriorityPair& pair : kPriorities) {
    if (SameText(priority, pair.priority)) return pair;
  }
  return kNormalPriority;
}

void WriteHeaderRow(const HeaderRow& row, const EmlParams& params,
                    LineWriter& out) {
  std::string_view field =
      row.field == nullptr ? std::string_view() : params.*row.field;
  if (row.when == When::kIfGiven && IsBlank(field)) return;
  switch (row.value) {
    case Value::kNone:
      out.AppendLine(row.text);
      break;
    case Value::kText:
      out.AppendLine({row.text, Clip(field)});
      break;
    case Value::kAddressList:
      WriteAddressLines(row.text, field, out);
      break;
    case Value::kPriorityLevel:
      out.AppendLine(PriorityPairOf(field).level_line);
      break;
    case Value::kPriorityWord:
      out.AppendLine(PriorityPairOf(field).word_line);
      break;
  }
}

constexpr std::string_view kContinuation = "    ";

// True when `piece` holds nothing but blanks and line breaks, which a line
// turns into blanks: written as a continuation, it would be an empty line.
bool WritesEmpty(std::string_view piece) {
  return piece.find_first_not_of(" \r\n") == std::string_view::npos;
}

}  // namespace

void WriteHeaderBlock(const EmlParams& params, LineWriter& out) {
  for (const HeaderRow& row : kHeaderBlock) WriteHeaderRow(row, params, out);
}

void WriteAddressLines(std::string_view prefix, std::string_view list,
                       LineWriter& out) {
  std::size_t comma = list.find(',');
  if (comma == std::string_view::npos) {
    out.AppendLine({prefix, Clip(list)});
    return;
  }
  out.AppendLine({prefix, list.substr(0, comma + 1)});
  std::size_t start = comma + 1;
  for (comma = list.find(',', start); comma != std::string_view::npos;
       comma = list.find(',', start)) {
    out.AppendLine({kContinuation, list.substr(start, comma + 1 - start)});
    start = comma + 1;
  }
  std::string_view last = list.substr(start);
  if (!WritesEmpty(last)) out.AppendLine({kContinuation, last});
}

}  // namespace vellaro
