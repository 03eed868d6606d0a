#include "startup_report/warnings.h"

#include <string>

#include "runtime/text.h"

namespace vellaro {
namespace {

// The width of the field that holds an error description.
constexpr std::size_t kDescriptionWidth = 150;

enum class Outcome {
  kFatal,      // the program ends after the box
  kFatalOnNo,  // the program ends when the answer is No
  kReturns,    // the box only informs
};

enum class Result { kNone, kYes, kAnswer };

struct WarningRow {
  int number;
  const char* title;
  // The text, with "{name}" for the file name and "{error}" for the error
  // description.
  const char* text;
  BoxIcon icon;
  BoxButtons buttons;
  int default_answer;
  Outcome outcome;
  const char* final_text;  // shown by the stop of a fatal outcome
  Result result;
};

constexpr WarningRow kWarnings[] = {
    {kWarningInvalidFile, "Invalid File",
     "Error: ({error}) accessing {name}.  Press OK to end this application.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, Outcome::kFatal,
     "Invalid File!", Result::kNone},
    {kWarningInvalidKey, "Invalid Key",
     "{name} key file is invalid.  Do you want to rebuild the key?",
     BoxIcon::kQuestion, BoxButtons::kYesNo, kAnswerYes, Outcome::kFatalOnNo,
     "Invalid Key!", Result::kYes},
    {kWarningKeyRebuildError, "Key Rebuild Error",
     "Error: ({error}) repairing key for {name}.  Press OK to end this "
     "application.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, Outcome::kFatal,
     "Error Rebuilding Key!", Result::kNone},
    {kWarningCreateError, "File Creation Error",
     "Error: ({error}) creating {name}.  Press OK to end this application.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, Outcome::kFatal,
     "File Creation Error!", Result::kNone},
    {kWarningCreatedOpenError, "File Creation Error",
     "Error: ({error}) opening created file:{name}.  Press OK to end this "
     "application.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, Outcome::kFatal,
     "File Creation Error!", Result::kNone},
    {kWarningFileAccessError, "File Access Error",
     "File ({name}) could not be opened.  Error: {error}.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, Outcome::kReturns, "",
     Result::kAnswer},
    {kWarningRecordRetrieval, "Record Retrieval Error",
     "Error: ({error}) attempting to access a record from the {name} file.  "
     "Returning to previous window.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, Outcome::kReturns, "",
     Result::kNone},
    {kWarningViewOpenError, "View Open Error",
     "Error: ({error}) attempting to open the current VIEW. Filter and Range "
     "Limits ignored.",
     BoxIcon::kExclamation, BoxButtons::kOk, kAnswerOk, Outcome::kReturns, "",
     Result::kNone},
};

const WarningRow* FindWarning(int number) {
  for (const WarningRow& row : kWarnings) {
    if (row.number == number) return &row;
  }
  return nullptr;
}

// "File Not Found (2)", or for an error the driver reported from the
// operating system its own text and code; held in a field of 150
// characters.
std::string ErrorDescription(const ErrorState& error) {
  std::string description;
  if (error.code == kFileSystemError) {
    description = std::string(Clip(error.driver_text)) + " (" +
                  std::string(Clip(error.driver_code)) + ")";
  } else {
    description = std::string(Clip(ErrorText(error.code))) + " (" +
                  Decimal(error.code) + ")";
  }
  return std::string(FieldText(description, kDescriptionWidth));
}

// `text` with every "{name}" and "{error}" filled in, in one pass, so that
// the inserted texts are never read as placeholders themselves.
std::string FillTemplate(std::string_view text, std::string_view name,
                         std::string_view error) {
  struct Placeholder {
    std::string_view marker;
    std::string_view value;
  };
  const Placeholder placeholders[] = {{"{name}", name}, {"{error}", error}};
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    bool filled = false;
    for (const Placeholder& p : placeholders) {
      if (text.substr(pos, p.marker.size()) == p.marker) {
        out.append(p.value);
        pos += p.marker.size();
        filled = true;
        break;
      }
    }
    if (!filled) out += text[pos++];
  }
  return out;
}

bool IsFatal(const WarningRow& row, int answer) {
  return row.outcome == Outcome::kFatal ||
         (row.outcome == Outcome::kFatalOnNo && answer == kAnswerNo);
}

int ResultOf(const WarningRow& row, int answer) {
  switch (row.result) {
    case Result::kYes:
      return kAnswerYes;
    case Result::kAnswer:
      return answer;
    case Result::kNone:
      break;
  }
  return 0;
}

}  // namespace

WarningResult ShowWarning(Env& env, int number, const ErrorState& error,
                          std::string_view file_name) {
  // The description is taken first, from the state of the failed
  // operation, before anything else can change it.
  std::string description = ErrorDescription(error);
  const WarningRow* row = FindWarning(number);
  if (row == nullptr) return WarningResult{};
  MessageBox box{row->title,
                 FillTemplate(row->text, Clip(file_name), description),
                 row->icon, row->buttons, row->default_answer};
  int answer = env.ShowMessageBox(box);
  if (IsFatal(*row, answer)) {
    env.Stop(row->final_text);
    return WarningResult{true, 0};
  }
  return WarningResult{false, ResultOf(*row, answer)};
}

}  // namespace vellaro
