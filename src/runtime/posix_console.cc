#include "runtime/posix_console.h"

#include <cctype>
#include <span>
#include <string>

namespace vellaro {
namespace {

struct Button {
  const char* label;
  int answer;
};

constexpr Button kOkButtons[] = {{"OK", kAnswerOk}};
constexpr Button kYesNoButtons[] = {{"Yes", kAnswerYes}, {"No", kAnswerNo}};

std::span<const Button> ButtonsOf(const MessageBox& box) {
  if (box.buttons == BoxButtons::kYesNo) return kYesNoButtons;
  return kOkButtons;
}

const char* IconLabel(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::kQuestion:
      return "Question";
    case BoxIcon::kStop:
      return "Error";
    case BoxIcon::kExclamation:
      break;
  }
  return "Warning";
}

const char* LabelOf(std::span<const Button> buttons, int answer) {
  for (const Button& b : buttons) {
    if (b.answer == answer) return b.label;
  }
  return buttons.front().label;
}

// The answer of the button whose label starts with the first letter typed,
// or 0.
int AnswerFor(const std::string& typed, std::span<const Button> buttons) {
  std::size_t start = typed.find_first_not_of(" \t");
  if (start == std::string::npos) return 0;
  auto first = std::tolower(static_cast<unsigned char>(typed[start]));
  for (const Button& b : buttons) {
    if (std::tolower(static_cast<unsigned char>(b.label[0])) == first) {
      return b.answer;
    }
  }
  return 0;
}

// "   [ Yes ]   No": the default button in brackets.
std::string ButtonLine(std::span<const Button> buttons, int default_answer) {
  std::string line = " ";
  for (const Button& b : buttons) {
    bool is_default = b.answer == default_answer;
    line += is_default ? "  [ " : "    ";
    line += b.label;
    line += is_default ? " ]" : "  ";
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

// "Type Y for Yes or N for No (Enter: Yes): "
std::string Prompt(std::span<const Button> buttons, int default_answer) {
  if (buttons.size() == 1) {
    return std::string("Press Enter for ") + buttons.front().label + ": ";
  }
  std::string prompt = "Type ";
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (i > 0) prompt += i + 1 == buttons.size() ? " or " : ", ";
    prompt += buttons[i].label[0];
    prompt += " for ";
    prompt += buttons[i].label;
  }
  return prompt + " (Enter: " + LabelOf(buttons, default_answer) + "): ";
}

int AskForAnswer(std::span<const Button> buttons, int default_answer,
                 std::ostream& out, std::istream& in) {
  while (true) {
    out << Prompt(buttons, default_answer);
    out.flush();
    std::string typed;
    if (!std::getline(in, typed)) {
      out << "\n";
      return default_answer;
    }
    if (typed.find_first_not_of(" \t\r") == std::string::npos) {
      return default_answer;
    }
    if (buttons.size() == 1) return buttons.front().answer;
    if (int answer = AnswerFor(typed, buttons); answer != 0) return answer;
  }
}

}  // namespace

std::string WrapText(std::string_view text, std::size_t width) {
  if (width == 0) return std::string(text);
  std::string out;
  std::size_t line_start = 0;
  while (line_start <= text.size()) {
    std::size_t line_end = text.find('\n', line_start);
    if (line_end == std::string_view::npos) line_end = text.size();
    std::string_view line = text.substr(line_start, line_end - line_start);
    while (line.size() > width) {
      std::size_t cut = line.rfind(' ', width);
      std::size_t resume = cut;
      if (cut == std::string_view::npos || line.find_first_not_of(' ') > cut) {
        cut = width;  // one word wider than a line
        resume = width;
      }
      std::size_t keep = line.find_last_not_of(' ', cut == 0 ? 0 : cut - 1);
      out.append(line.substr(0, keep == std::string_view::npos ? 0 : keep + 1));
      out += '\n';
      std::size_t next = line.find_first_not_of(' ', resume);
      line = next == std::string_view::npos ? std::string_view()
                                            : line.substr(next);
    }
    out.append(line);
    if (line_end == text.size()) break;
    out += '\n';
    line_start = line_end + 1;
  }
  return out;
}

int ShowConsoleBox(const MessageBox& box, std::ostream& out, std::istream& in,
                   const ConsoleStyle& style) {
  std::span<const Button> buttons = ButtonsOf(box);
  out << "\n== " << IconLabel(box.icon) << ": " << box.title << " ==\n"
      << WrapText(box.text, style.width) << "\n"
      << ButtonLine(buttons, box.default_answer) << "\n";
  int answer = box.default_answer;
  if (style.interactive) {
    answer = AskForAnswer(buttons, box.default_answer, out, in);
  } else {
    out << "Answer: " << LabelOf(buttons, answer)
        << " (default; no terminal to ask)\n";
  }
  out.flush();
  return answer;
}

int ShowConsoleBox(const MessageBox& box, std::ostream& out, std::istream& in,
                   bool interactive) {
  return ShowConsoleBox(box, out, in, ConsoleStyle{interactive, 0});
}

}  // namespace vellaro
