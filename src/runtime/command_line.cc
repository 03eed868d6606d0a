#include "runtime/command_line.h"

namespace vellaro {
namespace {

bool IsControlOrBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ' || c == '\x7f';
}

// Skips the white space before a token, and one comma among it.
std::size_t SkipSeparators(std::string_view tail, std::size_t pos) {
  while (pos < tail.size() && IsControlOrBlank(tail[pos])) ++pos;
  if (pos < tail.size() && tail[pos] == ',') {
    ++pos;
    while (pos < tail.size() && IsControlOrBlank(tail[pos])) ++pos;
  }
  return pos;
}

// Reads the token at `pos` into `token`; returns the position after it.
std::size_t ReadToken(std::string_view tail, std::size_t pos,
                      std::string& token) {
  bool quoted = false;
  while (pos < tail.size()) {
    char c = tail[pos];
    if (quoted) {
      if (c == '"' && pos + 1 < tail.size() && tail[pos + 1] == '"') {
        token += '"';
        pos += 2;
        continue;
      }
      if (c == '"') {
        quoted = false;
      } else if (IsControlOrBlank(c) && c != ' ') {
        break;
      } else {
        token += c;
      }
      ++pos;
      continue;
    }
    if (IsControlOrBlank(c) || c == ',') break;
    if (c == '/' && !token.empty()) break;
    if (c == '"') {
      quoted = true;
    } else {
      token += c;
    }
    ++pos;
  }
  return pos;
}

}  // namespace

std::string NthCommandToken(std::string_view tail, int n) {
  std::size_t pos = 0;
  std::string token;
  for (int k = 1; k <= n; ++k) {
    pos = SkipSeparators(tail, pos);
    if (pos >= tail.size()) return std::string();
    token.clear();
    std::size_t next = ReadToken(tail, pos, token);
    // A lone "/" or a comma right after a token still moves the scan on.
    pos = next > pos ? next : pos + 1;
  }
  return token;
}

std::string JoinArguments(int argc, char** argv) {
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  return tail;
}

}  // namespace vellaro
