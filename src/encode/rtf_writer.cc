#include "encode/rtf_writer.h"

namespace vellaro {

std::uint8_t MakeRTFFile(Env&, const AppState&, const RtfRequest&) {
  return 2;  // TODO(encode): the writer
}

std::uint8_t WriteMetafileHex(Env&, std::string_view, BufferedWriter&) {
  return 1;  // TODO(encode): the writer
}

}  // namespace vellaro
