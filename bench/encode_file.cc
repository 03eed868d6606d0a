// encode_file: runs one encoder over one file, for whole-process timing.
//
// Usage:
//   encode_file base64 <input> <output>   EncodeFileBase64, 76-column lines
//   encode_file hex <input> <output>      WriteMetafileHex, 128-digit lines
//
// The output file is created (or emptied) and written through the same
// buffered writers the message builder uses, so the figures include every
// read and write the program itself makes. Exit code 0 on success, 1 when a
// file cannot be opened or written, 2 on a usage error.

#include <iostream>
#include <memory>
#include <string_view>

#include "encode/base64.h"
#include "encode/rtf_writer.h"
#include "runtime/buffered_writer.h"
#include "runtime/env.h"
#include "runtime/line_writer.h"

namespace vellaro {
namespace {

int Run(std::string_view mode, std::string_view input,
        std::string_view output) {
  Env& env = *NativeEnv(0, nullptr);
  std::unique_ptr<WritableFile> file;
  if (env.CreateForWriting(output, &file) != kOk) {
    std::cerr << "encode_file: cannot create " << output << "\n";
    return 1;
  }
  std::uint8_t result = 0;
  int closed = kOk;
  if (mode == "base64") {
    LineWriter out(std::move(file));
    result = EncodeFileBase64(env, input, out);
    closed = out.Close();
  } else {
    BufferedWriter out(std::move(file));
    result = WriteMetafileHex(env, input, out);
    closed = out.Close();
  }
  if (result != 0) {
    std::cerr << "encode_file: cannot read " << input << "\n";
    return 1;
  }
  if (closed != kOk) {
    std::cerr << "encode_file: cannot write " << output << "\n";
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace vellaro

int main(int argc, char** argv) {
  if (argc != 4 || (std::string_view(argv[1]) != "base64" &&
                    std::string_view(argv[1]) != "hex")) {
    std::cerr << "usage: encode_file base64|hex <input> <output>\n";
    return 2;
  }
  return vellaro::Run(argv[1], argv[2], argv[3]);
}
