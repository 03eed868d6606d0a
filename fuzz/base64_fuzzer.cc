// Fuzz target: the base64 encoder of files, against a reference that
// follows the byte-at-a-time description (column, carry, a line at every
// 76th character, the last line always written).
//
// The input's first bytes set the conditions (EncoderInput): reads of a few
// bytes at a time, output already in the buffer up to near its capacity, a
// read that fails part way, a file that cannot be opened. The message file
// must then hold exactly what was there before and the reference encoding
// of the bytes read, or, for a file that cannot be opened, nothing new and
// result 1.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "encode/base64.h"
#include "fuzz/encoder_input.h"
#include "fuzz/fuzz_check.h"
#include "runtime/line_writer.h"
#include "runtime/mem_env.h"

namespace vellaro {
namespace {

std::string ReferenceBase64(std::string_view data) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::string line;
  unsigned carry = 0;
  std::size_t count = 0;
  for (char c : data) {
    const unsigned b = static_cast<unsigned char>(c);
    switch (++count % 3) {
      case 1:
        line += kAlphabet[b >> 2];
        carry = (b & 3) << 4;
        break;
      case 2:
        line += kAlphabet[carry | (b >> 4)];
        carry = (b & 15) << 2;
        break;
      default:
        line += kAlphabet[carry | (b >> 6)];
        line += kAlphabet[b & 63];
        break;
    }
    if (line.size() == 76) {
      out += line + "\r\n";
      line.clear();
    }
  }
  if (count % 3 == 1) line += std::string(1, kAlphabet[carry]) + "==";
  if (count % 3 == 2) line += std::string(1, kAlphabet[carry]) + "=";
  return out + line + "\r\n";
}

// One run over `input`.
void Run(std::string_view input) {
  const EncoderInput run = EncoderInput::Parse(input);
  MemEnv env;
  env.PutFolder("/w");
  const std::string read = run.PutFile(env, "/w/page.WMF");

  std::unique_ptr<WritableFile> file;
  FUZZ_CHECK(env.CreateForWriting("/w/out.eml", &file) == kOk, "no message");
  LineWriter out(std::move(file));
  const std::string prefix(run.prefix, 'h');
  out.raw().Append(prefix);
  const std::uint8_t result = EncodeFileBase64(env, "/w/page.WMF  ", out);
  FUZZ_CHECK(out.Close() == kOk, "message not closed");
  const std::string message = env.FileContents("/w/out.eml");
  if (run.unopenable) {
    FUZZ_CHECK(result == 1 && message == prefix, "unopenable file written");
  } else {
    FUZZ_CHECK(result == 0, "encoder failed");
    FUZZ_CHECK(message == prefix + ReferenceBase64(read),
               "encoding differs from the reference");
  }
  FUZZ_CHECK(env.FileContents("/w/page.WMF") == run.data, "source changed");
}

}  // namespace
}  // namespace vellaro

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  vellaro::Run(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
