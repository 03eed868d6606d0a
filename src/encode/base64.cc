#include "encode/base64.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>
#include <span>

#if defined(__SSE2__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "encode/paths.h"
#include "runtime/text.h"

namespace vellaro {
namespace {

constexpr std::size_t kLineBytes = 57;  // input bytes behind one full line
constexpr std::size_t kLineChars = 76;
constexpr std::size_t kLineRecord = kLineChars + 2;  // with CR LF
constexpr std::size_t kReadBlock = 64 * 1024;

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two output characters of every 12-bit value: entry v holds
// kAlphabet[v >> 6] then kAlphabet[v & 63]. Six input bytes are four
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

// Puts the two characters of the 12-bit value `v` (below 4096) at `out`.
inline void PutPair(std::uint64_t v, char* out) {
  std::memcpy(out, &kPairs[2 * static_cast<std::size_t>(v)], 2);
}

// The eight bytes at `in` as one number, the first byte highest. Compilers
// turn the swap into a single instruction.
inline std::uint64_t LoadBigEndian64(const unsigned char* in) {
  std::uint64_t v;
  std::memcpy(&v, in, sizeof v);
  if constexpr (std::endian::native == std::endian::little) {
    v = ((v & 0x00FF00FF00FF00FFull) << 8) | ((v >> 8) & 0x00FF00FF00FF00FFull);
    v = ((v & 0x0000FFFF0000FFFFull) << 16) |
        ((v >> 16) & 0x0000FFFF0000FFFFull);
    v = (v << 32) | (v >> 32);
  }
  return v;
}

// Encodes `groups` whole 3-byte groups of `in` into 4 * groups characters at
// `out`.
inline void EncodeGroups(const unsigned char* in, std::size_t groups,
                         char* out) {
  for (std::size_t g = 0; g < groups; ++g, in += 3, out += 4) {
    const std::uint32_t bits =
        (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
    PutPair(bits >> 12, out);
    PutPair(bits & 0xFFF, out + 2);
  }
}

// Encodes `lines` full lines of `in` (57 bytes each) into `out`, 78 bytes a
// line with its CR LF. A line is nine steps of six bytes, read as one
// 8-byte word (the two extra bytes still lie inside the line), and a last
// group of three.
void EncodeLinesPortable(const unsigned char* in, std::size_t lines,
                         char* out) {
  for (std::size_t i = 0; i < lines; ++i) {
    for (int step = 0; step < 9; ++step, in += 6, out += 8) {
      const std::uint64_t v = LoadBigEndian64(in);
      PutPair(v >> 52, out);
      PutPair((v >> 40) & 0xFFF, out + 2);
      PutPair((v >> 28) & 0xFFF, out + 4);
      PutPair((v >> 16) & 0xFFF, out + 6);
    }
    EncodeGroups(in, 1, out);
    out[4] = '\r';
    out[5] = '\n';
    in += 3;
    out += 6;
  }
}

#if defined(__SSE2__) && defined(__GNUC__)

// x86 processors with SSSE3 (nearly all in use) encode 12 bytes a step.

// The 16 characters of the 12 bytes at `in` (the load reads 16 bytes; the
// last four do not matter). Each 32-bit lane gets the bytes of one group,
// the four 6-bit indices are cut out with two multiplications, and every
// index gets the offset of its range of the alphabet.
__attribute__((target("ssse3"))) inline __m128i EncodeTwelve(
    const unsigned char* in) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  bytes = _mm_shuffle_epi8(
      bytes, _mm_set_epi8(10, 11, 9, 10, 7, 8, 6, 7, 4, 5, 3, 4, 1, 2, 0, 1));
  const __m128i high =
      _mm_mulhi_epu16(_mm_and_si128(bytes, _mm_set1_epi32(0x0FC0FC00)),
                      _mm_set1_epi32(0x04000040));
  const __m128i low =
      _mm_mullo_epi16(_mm_and_si128(bytes, _mm_set1_epi32(0x003F03F0)),
                      _mm_set1_epi32(0x01000010));
  const __m128i indices = _mm_or_si128(high, low);
  // Range of each index, the place of its offset below: 13 for 'A'..'Z',
  // 0 for 'a'..'z', 1..10 for the digits, 11 for '+', 12 for '/'.
  __m128i range = _mm_subs_epu8(indices, _mm_set1_epi8(51));
  range = _mm_or_si128(range,
                       _mm_and_si128(_mm_cmpgt_epi8(_mm_set1_epi8(26), indices),
                                     _mm_set1_epi8(13)));
  const __m128i offsets = _mm_setr_epi8(
      'a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
      '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  return _mm_add_epi8(_mm_shuffle_epi8(offsets, range), indices);
}

// EncodeLinesPortable with SSSE3: five steps a line, at bytes 0, 12, 24, 36
// and 45 (the last overlaps the fourth by one group, which it writes again
// alike). Reads up to four bytes past the last line.
__attribute__((target("ssse3"))) void EncodeLinesSsse3(const unsigned char* in,
                                                       std::size_t lines,
                                                       char* out) {
  constexpr int kSteps[] = {0, 12, 24, 36, 45};
  for (std::size_t i = 0; i < lines;
       ++i, in += kLineBytes, out += kLineRecord) {
    for (int step : kSteps) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + step / 3 * 4),
                       EncodeTwelve(in + step));
    }
    out[kLineChars] = '\r';
    out[kLineChars + 1] = '\n';
  }
}

#endif  // defined(__SSE2__) && defined(__GNUC__)

using LineEncoder = void (*)(const unsigned char* in, std::size_t lines,
                             char* out);

// The fastest line encoder that this processor runs.
LineEncoder ChooseLineEncoder() {
#if defined(__SSE2__) && defined(__GNUC__)
  if (__builtin_cpu_supports("ssse3")) return &EncodeLinesSsse3;
#endif
  return &EncodeLinesPortable;
}

// Bytes that a line encoder may read past the last line.
constexpr std::size_t kReadSlack = 16;

// Writes the full lines of `in` (57 bytes each) straight into the writer's
// buffer, as many at a time as its free room holds, so the file sees whole
// buffer-sized writes. `in` holds kReadSlack readable bytes after the lines.
void WriteFullLines(const unsigned char* in, std::size_t lines,
                    BufferedWriter& out) {
  static const LineEncoder encode_lines = ChooseLineEncoder();
  while (lines > 0) {
    const std::span<char> room = out.Room(kLineRecord);
    const std::size_t n = std::min(lines, room.size() / kLineRecord);
    encode_lines(in, n, room.data());
    out.Commit(n * kLineRecord);
    in += n * kLineBytes;
    lines -= n;
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

Base64Stream::Base64Stream(LineWriter& out) : out_(out.raw()) {}

void Base64Stream::Take(std::string_view data) {
  static_assert(kSlack >= kReadSlack && kLineBytes == 57);
  const auto* in = reinterpret_cast<const unsigned char*>(data.data());
  std::size_t n = data.size();
  // First the line that the pieces before began.
  if (carried_ > 0) {
    const std::size_t take = std::min(n, kLineBytes - carried_);
    std::memcpy(carry_.data() + carried_, in, take);
    carried_ += take;
    in += take;
    n -= take;
    if (carried_ < kLineBytes) return;
    WriteFullLines(carry_.data(), 1, out_);
    carried_ = 0;
  }
  // Whole lines straight from the piece, as long as the line encoder's
  // slack lies inside it; the last lines go through the carry buffer.
  const std::size_t direct =
      n >= kReadSlack ? (n - kReadSlack) / kLineBytes : 0;
  WriteFullLines(in, direct, out_);
  in += direct * kLineBytes;
  n -= direct * kLineBytes;
  for (; n >= kLineBytes; in += kLineBytes, n -= kLineBytes) {
    std::memcpy(carry_.data(), in, kLineBytes);
    WriteFullLines(carry_.data(), 1, out_);
  }
  std::memcpy(carry_.data(), in, n);
  carried_ = n;
}

void Base64Stream::Finish() {
  WriteLastLine(carry_.data(), carried_, out_);
  carried_ = 0;
}

std::uint8_t EncodeFileBase64(Env& env, std::string_view path,
                              LineWriter& out) {
  std::unique_ptr<SequentialFile> file;
  if (env.OpenForReading(FieldPath(path), &file) != kOk) return 1;

  std::unique_ptr<char[]> block(new char[kReadBlock]);
  Base64Stream stream(out);
  while (true) {
    std::size_t got = 0;
    const int code = file->Read(block.get(), kReadBlock, &got);
    // A failed read ends the data like the end of the file; whatever it
    // delivered before failing still counts.
    stream.Take(std::string_view(block.get(), got));
    if (code != kOk || got == 0) break;
  }
  stream.Finish();
  return 0;
}

}  // namespace vellaro
