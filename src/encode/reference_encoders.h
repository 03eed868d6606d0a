// Reference encoders for tests and fuzz targets.
//
// The base64 and hexadecimal forms written the simple way, one byte at a
// time, exactly as the encoders' output is defined. The fast encoders
// (block reads, lookup tables, SIMD) are checked against these.

#ifndef VELLARO_ENCODE_REFERENCE_ENCODERS_H_
#define VELLARO_ENCODE_REFERENCE_ENCODERS_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vellaro {

// The base64 lines of `data`: column and carry, a line (with CR LF) appended
// whenever the column reaches 76, the last group padded with "=", and the
// last line always appended (empty when the data ended a line).
inline std::string ReferenceBase64(std::string_view data) {
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

// The hexadecimal text of `data`: two upper-case digits a byte, CR LF after
// every 128 digits and none after a shorter last line. (A page file's
// 22-byte header is the caller's to drop.)
inline std::string ReferenceHex(std::string_view data) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const auto b = static_cast<unsigned char>(data[i]);
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
    if ((i + 1) % 64 == 0) out += "\r\n";
  }
  return out;
}

}  // namespace vellaro

#endif  // VELLARO_ENCODE_REFERENCE_ENCODERS_H_
