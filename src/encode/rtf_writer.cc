#include "encode/rtf_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "encode/paths.h"
#include "encode/rtf_text.h"
#include "runtime/text.h"

namespace vellaro {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;
constexpr std::size_t kPlaceableHeader = 22;  // skipped, never interpreted
constexpr std::size_t kBytesPerLine = 64;     // 128 hex digits

// The picture tag: always ten digits, so the blip id is 32 characters.
constexpr std::int64_t kTagLow = 1111111111;
constexpr std::int64_t kTagHigh = 1410065407;

// The two upper-case hex digits of every byte value.
constexpr std::array<char, 2 * 256> MakeHexTable() {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::array<char, 2 * 256> table{};
  for (std::size_t b = 0; b < 256; ++b) {
    table[2 * b] = kDigits[b >> 4];
    table[2 * b + 1] = kDigits[b & 15];
  }
  return table;
}
constexpr std::array<char, 2 * 256> kHexPairs = MakeHexTable();

// `value` times `numerator` / `denominator`, exactly, truncated toward zero
// (integer division does both), in 64 bits so that no input overflows.
constexpr std::int64_t Scaled(std::int64_t value, std::int64_t numerator,
                              std::int64_t denominator) {
  return value * numerator / denominator;
}

// Thousandths of an inch to hundredths of a millimetre (x 2.54).
constexpr std::int64_t ToHundredthsMm(std::int32_t value) {
  return Scaled(value, 254, 100);
}

// Hundredths of a millimetre to twips, as the document counts them
// (x 0.5669).
constexpr std::int64_t ToTwips(std::int64_t value) {
  return Scaled(value, 5669, 10000);
}

// Fills `values` with everything the document texts need.
RtfValues DocumentValues(const RtfRequest& request, const LocalTime& now,
                         std::int64_t tag) {
  const bool landscape = request.landscape != 0;
  const std::int64_t width = ToHundredthsMm(request.page_width);
  const std::int64_t height = ToHundredthsMm(request.page_height);
  const std::int64_t width_goal = ToTwips(width);
  const std::int64_t height_goal = ToTwips(height);
  const std::int64_t stretched_width = Scaled(width, 10664, 10000);

  RtfValues values;
  auto set = [&values](RtfSlot slot, std::string text) {
    values[static_cast<std::size_t>(slot)] = std::move(text);
  };
  set(RtfSlot::kYear, Decimal(now.year));
  set(RtfSlot::kMonth, Decimal(now.month));
  set(RtfSlot::kDay, Decimal(now.day));
  set(RtfSlot::kHour, Decimal(now.hour));
  set(RtfSlot::kMinute, Decimal(now.minute));
  set(RtfSlot::kPaperWords,
      std::string(RtfPaperWords(request.paper_name, landscape)));
  // The margins get the same factor as the picture extents.
  set(RtfSlot::kMarginLeft, Decimal(ToHundredthsMm(request.left_margin)));
  set(RtfSlot::kMarginTop, Decimal(ToHundredthsMm(request.top_margin)));
  set(RtfSlot::kLandscapeWords,
      landscape ? std::string(kRtfLandscapeWords) : std::string());
  set(RtfSlot::kScale,
      Decimal(request.scale_percent == 0 ? 100 : request.scale_percent));
  // A landscape page is laid on its side: height across, stretched width
  // down.
  set(RtfSlot::kPicWidth, Decimal(landscape ? height : width));
  set(RtfSlot::kPicHeight, Decimal(landscape ? stretched_width : height));
  set(RtfSlot::kPicWidthGoal, Decimal(landscape ? height_goal : width_goal));
  set(RtfSlot::kPicHeightGoal, Decimal(landscape ? width_goal : height_goal));
  set(RtfSlot::kPictureTag, Decimal(tag));
  return values;
}

// Puts the 2 * n digits of the `n` bytes at `in` at `out`.
inline void PutHex(const unsigned char* in, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; ++i) {
    std::memcpy(out + 2 * i, &kHexPairs[2 * in[i]], 2);
  }
}

#if defined(__SSE2__)

// Puts the 32 digits of the 16 bytes at `in` at `out`: both nibbles of every
// byte at once, each turned into '0'..'9' or 'A'..'F' and interleaved high
// first.
inline void PutHex16(const unsigned char* in, char* out) {
  const __m128i low_nibbles = _mm_set1_epi8(0x0F);
  const __m128i nine = _mm_set1_epi8(9);
  const __m128i zero = _mm_set1_epi8('0');
  const __m128i letter_gap = _mm_set1_epi8('A' - '0' - 10);
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), low_nibbles);
  const __m128i low = _mm_and_si128(bytes, low_nibbles);
  __m128i halves[2] = {_mm_unpacklo_epi8(high, low),
                       _mm_unpackhi_epi8(high, low)};
  for (int i = 0; i < 2; ++i) {
    const __m128i letters =
        _mm_and_si128(_mm_cmpgt_epi8(halves[i], nine), letter_gap);
    const __m128i digits = _mm_add_epi8(_mm_add_epi8(halves[i], zero), letters);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * i), digits);
  }
}

// Encodes `lines` full lines of `in` (64 bytes each) into `out`, 130 bytes a
// line with its CR LF.
void HexLines(const unsigned char* in, std::size_t lines, char* out) {
  for (std::size_t line = 0; line < lines; ++line) {
    for (std::size_t i = 0; i < kBytesPerLine; i += 16, in += 16, out += 32) {
      PutHex16(in, out);
    }
    *out++ = '\r';
    *out++ = '\n';
  }
}

#else

// The two digits of byte `b` as a 16-bit word that, stored, puts them in
// their order.
inline std::uint64_t HexWord(unsigned char b) {
  std::uint16_t word;
  std::memcpy(&word, &kHexPairs[2 * b], sizeof word);
  return word;
}

// Encodes `lines` full lines of `in` (64 bytes each) into `out`, 130 bytes a
// line with its CR LF. Four bytes make one 8-byte store.
void HexLines(const unsigned char* in, std::size_t lines, char* out) {
  for (std::size_t line = 0; line < lines; ++line) {
    for (std::size_t i = 0; i < kBytesPerLine; i += 4, in += 4, out += 8) {
      std::uint64_t digits;
      if constexpr (std::endian::native == std::endian::little) {
        digits = HexWord(in[0]) | HexWord(in[1]) << 16 | HexWord(in[2]) << 32 |
                 HexWord(in[3]) << 48;
      } else {
        digits = HexWord(in[0]) << 48 | HexWord(in[1]) << 32 |
                 HexWord(in[2]) << 16 | HexWord(in[3]);
      }
      std::memcpy(out, &digits, sizeof digits);
    }
    *out++ = '\r';
    *out++ = '\n';
  }
}

#endif  // defined(__SSE2__)

// Appends `n` bytes of `in` as hex digits to `out`, continuing a line that
// already holds `column` bytes; CR LF follows every 64th byte of a line.
// Returns the bytes in the line now unfinished. Whole lines go straight into
// the writer's buffer, as many at a time as its free room holds.
std::size_t AppendHex(const unsigned char* in, std::size_t n,
                      std::size_t column, BufferedWriter& out) {
  constexpr std::size_t kLineRecord = 2 * kBytesPerLine + 2;
  if (column > 0) {
    const std::size_t take = std::min(n, kBytesPerLine - column);
    char* dest = out.Reserve(kLineRecord);
    PutHex(in, take, dest);
    std::size_t written = 2 * take;
    column += take;
    if (column == kBytesPerLine) {
      dest[written++] = '\r';
      dest[written++] = '\n';
      column = 0;
    }
    out.Commit(written);
    in += take;
    n -= take;
  }
  for (std::size_t lines = n / kBytesPerLine; lines > 0;) {
    const std::span<char> room = out.Room(kLineRecord);
    const std::size_t fit = std::min(lines, room.size() / kLineRecord);
    HexLines(in, fit, room.data());
    out.Commit(fit * kLineRecord);
    in += fit * kBytesPerLine;
    n -= fit * kBytesPerLine;
    lines -= fit;
  }
  if (n > 0) {
    PutHex(in, n, out.Reserve(2 * n));
    out.Commit(2 * n);
    column += n;
  }
  return column;
}

// Closes the document. A document whose writing failed is broken: it is
// deleted where possible and reported as not written, whatever `result`
// the pages gave.
std::uint8_t CloseDocument(Env& env, const std::string& path,
                           BufferedWriter& out, std::uint8_t result) {
  if (out.Close() != kOk) {
    env.DeleteFile(path);
    return 2;
  }
  return result;
}

}  // namespace

std::uint8_t MakeRTFFile(Env& env, const AppState& state,
                         const RtfRequest& request) {
  // The clock and the tag are read once, even for a request with no pages.
  const LocalTime now = env.Now();
  const std::int64_t tag = env.RandomBetween(kTagLow, kTagHigh);
  const RtfValues values = DocumentValues(request, now, tag);
  if (request.page_count == 0) return 2;

  // A path too long for its field is refused, never cut: the cut text would
  // name another file.
  const std::string path(FieldPath(request.rtf_path));
  if (path.empty()) return 2;
  env.DeleteFile(path);  // a missing file is no error
  std::unique_ptr<WritableFile> file;
  if (env.CreateForWriting(path, &file) != kOk) return 2;
  BufferedWriter out(std::move(file));
  out.set_tap(request.tap);

  out.Append(RenderRtf(RtfDocumentHeader(), values));
  const std::string page_head = RenderRtf(RtfPageHead(), values);
  for (int page = 1; page <= request.page_count && out.ok(); ++page) {
    out.Append(page_head);
    if (WriteMetafileHex(env, PageFilePath(state, page), out) != 0) {
      // The document stays on disk, ending inside this page's group.
      return CloseDocument(env, path, out, 1);
    }
    out.Append(kRtfPageSeparator);
  }
  out.Append(kRtfDocumentEnd);
  return CloseDocument(env, path, out, 0);
}

std::uint8_t WriteMetafileHex(Env& env, std::string_view path,
                              BufferedWriter& out) {
  std::unique_ptr<SequentialFile> file;
  if (env.OpenForReading(FieldPath(path), &file) != kOk) {
    return 1;
  }
  std::unique_ptr<char[]> block(new char[kReadBlock]);
  std::size_t skip = kPlaceableHeader;
  std::size_t column = 0;
  while (true) {
    std::size_t got = 0;
    const int code = file->Read(block.get(), kReadBlock, &got);
    // A failed read ends the data like the end of the file; whatever it
    // delivered before failing still counts.
    const std::size_t dropped = got < skip ? got : skip;
    skip -= dropped;
    column =
        AppendHex(reinterpret_cast<const unsigned char*>(block.get()) + dropped,
                  got - dropped, column, out);
    if (code != kOk || got == 0) break;
  }
  return 0;
}

}  // namespace vellaro
