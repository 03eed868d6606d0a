#include "encode/base64.h"

namespace vellaro {

std::uint8_t EncodeFileBase64(Env&, std::string_view, LineWriter&) {
  return 1;  // TODO(encode): the encoder
}

}  // namespace vellaro
