#include "runtime/wmf_writer.h"

#include <algorithm>
#include <limits>

namespace vellaro {
namespace {

constexpr std::int16_t kMapModeAnisotropic = 8;
constexpr std::uint16_t kTextAlignTopLeft = 0;  // TA_TOP | TA_LEFT
constexpr std::uint16_t kMetafileTypeMemory = 1;
constexpr std::uint16_t kMetafileVersion = 0x0300;
// Bytes before the parameters of a record: its size (32 bits) and function.
constexpr std::size_t kRecordPrefixBytes = 6;
// The longest face name a font record holds, without its terminating zero.
constexpr std::size_t kFaceNameChars = 31;

std::int16_t Clamp16(int value) {
  return static_cast<std::int16_t>(
      std::clamp<int>(value, std::numeric_limits<std::int16_t>::min(),
                      std::numeric_limits<std::int16_t>::max()));
}

// Little-endian parameter bytes of one record.
class Params {
 public:
  Params& U16(std::uint16_t value) {
    bytes_ += static_cast<char>(value & 0xFF);
    bytes_ += static_cast<char>(value >> 8);
    return *this;
  }
  Params& I16(int value) {
    return U16(static_cast<std::uint16_t>(Clamp16(value)));
  }
  Params& U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value & 0xFFFF));
    return U16(static_cast<std::uint16_t>(value >> 16));
  }
  Params& U8(std::uint8_t value) {
    bytes_ += static_cast<char>(value);
    return *this;
  }
  // `text` followed by zeros up to `size` bytes.
  Params& Fixed(std::string_view text, std::size_t size) {
    bytes_.append(text.substr(0, size));
    bytes_.append(size - std::min(size, text.size()), '\0');
    return *this;
  }
  // `text` and a zero byte when its length is odd, so words stay aligned.
  Params& Padded(std::string_view text) {
    bytes_.append(text);
    if (text.size() % 2 != 0) bytes_ += '\0';
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

std::uint16_t Checksum(std::string_view header) {
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i + 1 < header.size(); i += 2) {
    sum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(header[i]) |
                                      static_cast<unsigned char>(header[i + 1])
                                          << 8);
  }
  return sum;
}

}  // namespace

MetafileWriter::MetafileWriter(int width, int height, int units_per_inch)
    : width_(width), height_(height), units_per_inch_(units_per_inch) {
  AddRecord(kMetaSetMapMode, Params().I16(kMapModeAnisotropic).bytes());
  AddRecord(kMetaSetWindowOrg, Params().I16(0).I16(0).bytes());
  AddRecord(kMetaSetWindowExt, Params().I16(height_).I16(width_).bytes());
  AddRecord(kMetaSetTextAlign, Params().U16(kTextAlignTopLeft).bytes());
}

void MetafileWriter::SetBackgroundMode(BackgroundMode mode) {
  AddRecord(kMetaSetBkMode,
            Params().U16(static_cast<std::uint16_t>(mode)).bytes());
}

void MetafileWriter::SetTextColor(ColorRef color) {
  AddRecord(kMetaSetTextColor, Params().U32(color).bytes());
}

int MetafileWriter::AddPen(PenStyle style, int width, ColorRef color) {
  AddRecord(kMetaCreatePenIndirect,
            Params()
                .U16(static_cast<std::uint16_t>(style))
                .I16(width)
                .I16(0)  // the y of the width point is not used
                .U32(color)
                .bytes());
  return TakeSlot();
}

int MetafileWriter::AddBrush(BrushStyle style, ColorRef color) {
  AddRecord(kMetaCreateBrushIndirect,
            Params()
                .U16(static_cast<std::uint16_t>(style))
                .U32(color)
                .U16(0)  // hatch, for hatched brushes only
                .bytes());
  return TakeSlot();
}

int MetafileWriter::AddFont(const MetafileFont& font) {
  Params params;
  params.I16(font.height)
      .I16(0)  // width: from the face's own proportions
      .I16(0)  // escapement
      .I16(0)  // orientation
      .I16(font.weight)
      .U8(font.italic ? 1 : 0)
      .U8(0)   // underline
      .U8(0)   // strike-out
      .U8(0)   // character set: ANSI
      .U8(0)   // output precision: default
      .U8(0)   // clipping precision: default
      .U8(0)   // quality: default
      .U8(0);  // pitch and family: from the face
  // The face name field is 32 bytes, zero-terminated.
  params.Fixed(std::string_view(font.face).substr(0, kFaceNameChars),
               kFaceNameChars + 1);
  AddRecord(kMetaCreateFontIndirect, params.bytes());
  return TakeSlot();
}

void MetafileWriter::Select(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= slots_.size() ||
      !slots_[static_cast<std::size_t>(index)]) {
    return;
  }
  AddRecord(kMetaSelectObject,
            Params().U16(static_cast<std::uint16_t>(index)).bytes());
}

void MetafileWriter::Delete(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= slots_.size() ||
      !slots_[static_cast<std::size_t>(index)]) {
    return;
  }
  AddRecord(kMetaDeleteObject,
            Params().U16(static_cast<std::uint16_t>(index)).bytes());
  slots_[static_cast<std::size_t>(index)] = false;
}

void MetafileWriter::MoveTo(int x, int y) {
  AddRecord(kMetaMoveTo, Params().I16(y).I16(x).bytes());
}

void MetafileWriter::LineTo(int x, int y) {
  AddRecord(kMetaLineTo, Params().I16(y).I16(x).bytes());
}

void MetafileWriter::Rectangle(int left, int top, int right, int bottom) {
  AddRecord(kMetaRectangle,
            Params().I16(bottom).I16(right).I16(top).I16(left).bytes());
}

void MetafileWriter::Text(int x, int y, std::string_view text) {
  text = text.substr(
      0, std::min<std::size_t>(text.size(),
                               std::numeric_limits<std::int16_t>::max()));
  AddRecord(kMetaTextOut, Params()
                              .I16(static_cast<int>(text.size()))
                              .Padded(text)
                              .I16(y)
                              .I16(x)
                              .bytes());
}

std::string MetafileWriter::Finish() {
  AddRecord(kMetaEof, {});

  Params placeable;
  placeable.U32(kPlaceableKey)
      .U16(0)  // handle: always 0 in a file
      .I16(0)
      .I16(0)
      .I16(width_)
      .I16(height_)
      .U16(static_cast<std::uint16_t>(units_per_inch_))
      .U32(0);  // reserved
  std::uint16_t checksum = Checksum(placeable.bytes());
  placeable.U16(checksum);

  constexpr std::uint16_t kHeaderWords = kMetafileHeaderSize / 2;
  Params header;
  header.U16(kMetafileTypeMemory)
      .U16(kHeaderWords)
      .U16(kMetafileVersion)
      .U32(static_cast<std::uint32_t>(kHeaderWords + records_.size() / 2))
      .U16(static_cast<std::uint16_t>(slots_.size()))
      .U32(largest_record_words_)
      .U16(0);  // parameters: not used

  std::string file;
  file.reserve(placeable.bytes().size() + header.bytes().size() +
               records_.size());
  file += placeable.bytes();
  file += header.bytes();
  file += records_;
  records_.clear();
  return file;
}

void MetafileWriter::AddRecord(MetafileFunction function,
                               std::string_view params) {
  std::uint32_t words =
      static_cast<std::uint32_t>((kRecordPrefixBytes + params.size()) / 2);
  largest_record_words_ = std::max(largest_record_words_, words);
  Params prefix;
  prefix.U32(words).U16(function);
  records_ += prefix.bytes();
  records_.append(params);
}

int MetafileWriter::TakeSlot() {
  auto free = std::find(slots_.begin(), slots_.end(), false);
  if (free != slots_.end()) {
    *free = true;
    return static_cast<int>(free - slots_.begin());
  }
  slots_.push_back(true);
  return static_cast<int>(slots_.size() - 1);
}

}  // namespace vellaro
