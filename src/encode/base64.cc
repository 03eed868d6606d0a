#include "encode/base64.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <memory>

#include "runtime/text.h"

namespace vellaro {
namespace {

constexpr std::size_t kPathWidth = 256;
constexpr std::size_t kLineBytes = 57;  // input bytes behind one full line
constexpr std::size_t kLineChars = 76;
constexpr std::size_t kLineRecord = kLineChars + 2;  // with CR LF
constexpr std::size_t kReadBlock = 64 * 1024;

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two output characters of every 12-bit value: entry v holds
// kAlphabet[v >> 6] then kAlphabet[v & 63]. A group of three bytes is two
// look-ups.
constexpr std::array<char, 2 * 4096> MakePairTable() {
  std::array<char, 2 * 4096> table{};
  for (std::size_t v = 0; v < 4096; ++v) {
    table[2 * v] = kAlphabet[v >> 6];
    table[2 * v + 1] = kAlphabet[v & 63];
  }
  return table;
}
constexpr std::array<char, 2 * 4096> kPairs = MakePairTable();

// Encodes `groups` whole 3-byte groups of `in` into 4 * groups characters at
// `out`.
inline void EncodeGroups(const unsigned char* in, std::size_t groups,
                         char* out) {
  for (std::size_t g = 0; g < groups; ++g, in += 3, out += 4) {
    const std::uint32_t bits =
        (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
    std::memcpy(out, &kPairs[2 * (bits >> 12)], 2);
    std::memcpy(out + 2, &kPairs[2 * (bits & 0xFFF)], 2);
  }
}

// Writes the full lines of `in` (57 bytes each) straight into the writer's
// buffer. One reservation per line keeps the buffer filled to the brim, so
// the file sees whole 64 KiB writes.
void WriteFullLines(const unsigned char* in, std::size_t lines,
                    BufferedWriter& out) {
  for (std::size_t i = 0; i < lines; ++i, in += kLineBytes) {
    char* dest = out.Reserve(kLineRecord);
    EncodeGroups(in, kLineBytes / 3, dest);
    dest[kLineChars] = '\r';
    dest[kLineChars + 1] = '\n';
    out.Commit(kLineRecord);
  }
}

// Writes the last line: the encoding of the `n` (< 57) bytes left, padded
// with "=" to a multiple of four characters, then CR LF. For n == 0 this is
// the empty line that always ends the data.
void WriteLastLine(const unsigned char* in, std::size_t n,
                   BufferedWriter& out) {
  char* dest = out.Reserve(kLineRecord);
  const std::size_t whole = n / 3;
  EncodeGroups(in, whole, dest);
  std::size_t used = 4 * whole;
  const std::size_t rest = n % 3;
  if (rest > 0) {
    const unsigned char b0 = in[3 * whole];
    const unsigned char b1 = rest == 2 ? in[3 * whole + 1] : 0;
    dest[used] = kAlphabet[b0 >> 2];
    dest[used + 1] = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    dest[used + 2] = rest == 2 ? kAlphabet[(b1 & 15) << 2] : '=';
    dest[used + 3] = '=';
    used += 4;
  }
  dest[used] = '\r';
  dest[used + 1] = '\n';
  out.Commit(used + 2);
}

}  // namespace

std::uint8_t EncodeFileBase64(Env& env, std::string_view path,
                              LineWriter& out) {
  std::unique_ptr<SequentialFile> file;
  if (env.OpenForReading(FieldText(path, kPathWidth), &file) != kOk) return 1;

  // Room for one read block behind the bytes of an unfinished line carried
  // over from the block before. Groups never straddle lines (76 is a
  // multiple of 4), so each line is encoded independently of the others.
  std::unique_ptr<unsigned char[]> buffer(
      new unsigned char[kLineBytes + kReadBlock]);
  char* const block = reinterpret_cast<char*>(buffer.get());
  BufferedWriter& writer = out.raw();
  std::size_t pending = 0;  // bytes of the unfinished line, at buffer[0]
  while (true) {
    std::size_t got = 0;
    const int code = file->Read(block + pending, kReadBlock, &got);
    // A failed read ends the data like the end of the file; whatever it
    // delivered before failing still counts.
    const std::size_t avail = pending + got;
    const std::size_t lines = avail / kLineBytes;
    WriteFullLines(buffer.get(), lines, writer);
    pending = avail - lines * kLineBytes;
    if (lines > 0 && pending > 0) {
      std::memmove(buffer.get(), buffer.get() + lines * kLineBytes, pending);
    }
    if (code != kOk || got == 0) break;
  }
  WriteLastLine(buffer.get(), pending, writer);
  return 0;
}

}  // namespace vellaro
