// Helpers shared by the message builder's tests.

#ifndef VELLARO_MAIL_MAIL_TEST_UTIL_H_
#define VELLARO_MAIL_MAIL_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/line_writer.h"
#include "runtime/mem_env.h"

namespace vellaro::testing {

// The lines joined, each ended by CR LF: how a message file holds them.
inline std::string Crlf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    text.append(line);
    text.append("\r\n");
  }
  return text;
}

// What `write` appends to a fresh message file, as the file holds it.
inline std::string Written(const std::function<void(LineWriter&)>& write) {
  MemEnv env;
  env.PutFolder("/w");
  std::unique_ptr<WritableFile> file;
  EXPECT_EQ(env.CreateForWriting("/w/t.eml", &file), kOk);
  LineWriter out(std::move(file));
  write(out);
  EXPECT_EQ(out.Close(), kOk);
  return env.FileContents("/w/t.eml");
}

// A plain base64 encoding (RFC 2045 alphabet, "=" padding) in lines of 76
// characters, each ended by CR LF; the last line is always there, empty
// when the data fills the line before it. Written independently of the
// encoder under test, to check what it embeds.
inline std::string Base64Lines(std::string_view data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < data.size(); i += 3) {
    unsigned group = 0;
    std::size_t n = std::min<std::size_t>(3, data.size() - i);
    for (std::size_t k = 0; k < 3; ++k) {
      unsigned byte = k < n ? static_cast<unsigned char>(data[i + k]) : 0u;
      group = (group << 8) | byte;
    }
    for (std::size_t k = 0; k < 4; ++k) {
      text += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 63u] : '=';
    }
  }
  std::string lines;
  std::size_t pos = 0;
  for (; text.size() - pos >= 76; pos += 76) {
    lines.append(text, pos, 76).append("\r\n");
  }
  lines.append(text, pos).append("\r\n");
  return lines;
}

}  // namespace vellaro::testing

#endif  // VELLARO_MAIL_MAIL_TEST_UTIL_H_
