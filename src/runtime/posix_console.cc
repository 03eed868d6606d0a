#include "runtime/posix_console.h"

#include <cctype>
#include <string>

namespace vellaro {
namespace {

struct Button {
  const char* label;
  int answer;
};

constexpr Button kOkButtons[] = {{"OK", kAnswerOk}};
constexpr Button kYesNoButtons[] = {{"Yes", kAnswerYes}, {"No", kAnswerNo}};

const char* IconLabel(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kQuestion:
      return "Question";
    case BoxIcon::kStop:
      return "Stop";
    case BoxIcon::kExclamation:
      break;
  }
  return "Warning";
}

// The answer whose label starts with the letter typed, or 0.
template <std::size_t N>
int AnswerFor(const std::string& typed, const Button (&buttons)[N]) {
  std::size_t start = typed.find_first_not_of(" \t");
  if (start == std::string::npos) return 0;
  char first = static_cast<char>(
      std::tolower(static_cast<unsigned char>(typed[start])));
  for (const Button& b : buttons) {
    if (std::tolower(static_cast<unsigned char>(b.label[0])) == first) {
      return b.answer;
    }
  }
  return 0;
}

template <std::size_t N>
int Show(const MessageBox& box, const Button (&buttons)[N], std::ostream& out,
         std::istream& in, bool interactive) {
  out << "\n== " << IconLabel(box.icon) << ": " << box.title << " ==\n"
      << box.text << "\n";
  for (const Button& b : buttons) {
    bool is_default = b.answer == box.default_answer;
    out << (is_default ? " [" : "  ") << b.label << (is_default ? "]" : " ");
  }
  out << "\n";
  if (!interactive || N == 1) {
    out.flush();
    if (interactive) {
      std::string ignored;
      out << "Press Enter to continue. ";
      out.flush();
      std::getline(in, ignored);
    }
    return box.default_answer;
  }
  while (true) {
    out << "Your answer (Enter takes the one in brackets): ";
    out.flush();
    std::string typed;
    if (!std::getline(in, typed)) return box.default_answer;
    if (typed.find_first_not_of(" \t") == std::string::npos) {
      return box.default_answer;
    }
    int answer = AnswerFor(typed, buttons);
    if (answer != 0) return answer;
  }
}

}  // namespace

int ShowConsoleBox(const MessageBox& box, std::ostream& out, std::istream& in,
                   bool interactive) {
  if (box.buttons == BoxButtons::kYesNo) {
    return Show(box, kYesNoButtons, out, in, interactive);
  }
  return Show(box, kOkButtons, out, in, interactive);
}

}  // namespace vellaro
