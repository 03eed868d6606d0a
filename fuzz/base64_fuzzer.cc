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
#include "encode/reference_encoders.h"
#include "fuzz/encoder_input.h"
#include "fuzz/fuzz_check.h"
#include "runtime/line_writer.h"
#include "runtime/mem_env.h"

namespace vellaro {
namespace {

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
