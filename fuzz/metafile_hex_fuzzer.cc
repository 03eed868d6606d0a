// Fuzz target: the hexadecimal copy of a page file into the RTF document,
// against a reference that follows the byte-at-a-time description (the
// first 22 bytes dropped, two upper-case digits a byte, CR LF after every
// 128 digits and none after a shorter last line).
//
// The input's first bytes set the conditions (EncoderInput), as for the
// base64 target. The document must then hold exactly what was there
// before and the reference text of the bytes read, or, for a page that
// cannot be opened, nothing new and result 1.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "encode/reference_encoders.h"
#include "encode/rtf_writer.h"
#include "fuzz/encoder_input.h"
#include "fuzz/fuzz_check.h"
#include "runtime/buffered_writer.h"
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
  FUZZ_CHECK(env.CreateForWriting("/w/doc.RTF", &file) == kOk, "no document");
  BufferedWriter out(std::move(file));
  const std::string prefix(run.prefix, 'r');
  out.Append(prefix);
  const std::uint8_t result = WriteMetafileHex(env, "/w/page.WMF ", out);
  FUZZ_CHECK(out.Close() == kOk, "document not closed");
  const std::string document = env.FileContents("/w/doc.RTF");
  if (run.unopenable) {
    FUZZ_CHECK(result == 1 && document == prefix, "unopenable page written");
  } else {
    FUZZ_CHECK(result == 0, "hex writer failed");
    FUZZ_CHECK(
        document == prefix + ReferenceHex(std::string_view(read).substr(
                                 std::min<std::size_t>(22, read.size()))),
        "hex text differs from the reference");
  }
  FUZZ_CHECK(env.FileContents("/w/page.WMF") == run.data, "page changed");
}

}  // namespace
}  // namespace vellaro

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  vellaro::Run(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
