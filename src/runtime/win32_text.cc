#include "runtime/win32_text.h"

#include <climits>

#include "runtime/win32_windows.h"

namespace vellaro {
namespace {

bool IsWhiteSpace(wchar_t c) { return c == L' ' || c == L'\t'; }

// The length of `text` as the int the conversion functions take; texts of
// the program are far shorter, longer ones are cut.
int Length(std::size_t size) {
  return size > static_cast<std::size_t>(INT_MAX) ? INT_MAX
                                                  : static_cast<int>(size);
}

std::string NarrowFromWide(UINT code_page, DWORD flags, std::wstring_view text,
                           BOOL* used_default) {
  if (text.empty()) return std::string();
  int in = Length(text.size());
  int size = ::WideCharToMultiByte(code_page, flags, text.data(), in, nullptr,
                                   0, nullptr, used_default);
  if (size <= 0) return std::string();
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(code_page, flags, text.data(), in, out.data(), size,
                        nullptr, used_default);
  return out;
}

}  // namespace

std::wstring WideFromAnsi(std::string_view text) {
  if (text.empty()) return std::wstring();
  int in = Length(text.size());
  int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), in, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), in, out.data(), size);
  return out;
}

std::string AnsiFromWide(std::wstring_view text, bool* exact) {
  if (exact != nullptr) *exact = true;
  // UTF-8 as the ANSI code page (a system-wide option of newer Windows)
  // takes neither flags nor a default-character report; it shows every
  // character but unpaired surrogates, which it replaces.
  if (::GetACP() == CP_UTF8) return NarrowFromWide(CP_UTF8, 0, text, nullptr);
  BOOL used_default = FALSE;
  std::string out =
      NarrowFromWide(CP_ACP, WC_NO_BEST_FIT_CHARS, text, &used_default);
  if (exact != nullptr) *exact = used_default == FALSE;
  return out;
}

std::string Utf8FromWide(std::wstring_view text) {
  return NarrowFromWide(CP_UTF8, 0, text, nullptr);
}

std::wstring_view CommandTailOf(std::wstring_view command_line) {
  std::size_t pos = 0;
  while (pos < command_line.size() && IsWhiteSpace(command_line[pos])) ++pos;
  bool quoted = false;
  while (pos < command_line.size() &&
         (quoted || !IsWhiteSpace(command_line[pos]))) {
    if (command_line[pos] == L'"') quoted = !quoted;
    ++pos;
  }
  while (pos < command_line.size() && IsWhiteSpace(command_line[pos])) ++pos;
  return command_line.substr(pos);
}

}  // namespace vellaro
