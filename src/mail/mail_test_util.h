// Helpers shared by the message builder's tests.

#ifndef VELLARO_MAIL_MAIL_TEST_UTIL_H_
#define VELLARO_MAIL_MAIL_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "mail/eml_params.h"
#include "mail/make_eml_file.h"
#include "runtime/app_state.h"
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

// Bytes that look like nothing in particular, different for each `seed`.
inline std::string SomeBytes(std::size_t size, int seed) {
  std::string bytes(size, '\0');
  unsigned value = 2166136261u ^ static_cast<unsigned>(seed);
  for (char& byte : bytes) {
    value = value * 16777619u + 12345u;
    byte = static_cast<char>(value >> 24);
  }
  return bytes;
}

// A message run over MemEnv: work folder /w/KQ/, instance 5, page files
// put there by the test, an A4 page size and an output at /w/out.eml.
class MessageTest : public ::testing::Test {
 protected:
  static constexpr const char* kMessagePath = "/w/out.eml";

  void SetUp() override {
    env_.PutFolder("/w/KQ");
    state_.work_folder = "/w\\KQ\\";
    state_.instance = 5;
    params_.eml_file_name = kMessagePath;
    params_.page_width = 8270;
    params_.page_height = 11530;
    params_.paper_name = "A4";
    params_.rtf_name = "Report";
  }

  // The path and contents of page file `page` of instance 5.
  static std::string PagePath(int page) {
    return "/w/KQ/5" + std::to_string(page) + ".WMF";
  }
  static std::string PageBytes(int page) {
    return SomeBytes(22 + 40 * static_cast<std::size_t>(page), page);
  }
  // Puts page files 1..count and sets the page count.
  void PutPages(int count) {
    for (int page = 1; page <= count; ++page) {
      env_.PutFile(PagePath(page), PageBytes(page));
    }
    params_.page_count = static_cast<std::uint8_t>(count);
  }

  // Runs the builder; the message lands in eml_.
  std::uint8_t Run() {
    std::uint8_t result = MakeEMLFile(env_, state_, params_);
    eml_ = env_.FileContents(kMessagePath);
    return result;
  }

  // True when the message file is closed: nobody holds it any more.
  bool MessageClosed() { return env_.DeleteFile(kMessagePath) == kOk; }

  bool Has(std::string_view text) const {
    return eml_.find(text) != std::string::npos;
  }

  MemEnv env_;
  AppState state_;
  EmlParams params_;
  std::string eml_;
};

}  // namespace vellaro::testing

#endif  // VELLARO_MAIL_MAIL_TEST_UTIL_H_
