// MetafileWriter: draws one picture as a Windows metafile in memory, with
// the 22-byte placeable header in front of it.
//
// The picture is a frame of `width` x `height` logical units, `units_per_inch`
// of them to the inch; the writer sets the mapping mode to anisotropic and
// the window to exactly that frame, so every coordinate a caller passes is a
// position in the frame. The drawing calls append one record each; Finish
// closes the picture with the end record and returns the whole file: the
// placeable header (key, bounding box, units per inch, checksum), the
// standard header (file size, object count, largest record) and the records.
//
// Graphics objects (pens, brushes, fonts) live in the metafile's object
// table: each Add call takes the lowest free slot and returns its index,
// Select makes it current, Delete frees the slot for the next Create.
// Coordinates and sizes outside the 16-bit range of the format are clamped
// to it.

#ifndef VELLARO_RUNTIME_WMF_WRITER_H_
#define VELLARO_RUNTIME_WMF_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vellaro {

// The record functions this writer uses, as they appear in the file.
enum MetafileFunction : std::uint16_t {
  kMetaEof = 0x0000,
  kMetaSetBkMode = 0x0102,
  kMetaSetMapMode = 0x0103,
  kMetaSetTextAlign = 0x012E,
  kMetaSelectObject = 0x012D,
  kMetaDeleteObject = 0x01F0,
  kMetaSetTextColor = 0x0209,
  kMetaSetWindowOrg = 0x020B,
  kMetaSetWindowExt = 0x020C,
  kMetaLineTo = 0x0213,
  kMetaMoveTo = 0x0214,
  kMetaCreatePenIndirect = 0x02FA,
  kMetaCreateFontIndirect = 0x02FB,
  kMetaCreateBrushIndirect = 0x02FC,
  kMetaRectangle = 0x041B,
  kMetaTextOut = 0x0521,
};

// The first four bytes of a placeable metafile.
inline constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

// Sizes of the two headers in bytes.
inline constexpr std::size_t kPlaceableHeaderSize = 22;
inline constexpr std::size_t kMetafileHeaderSize = 18;

// A colour as the format stores it: 0x00BBGGRR.
using ColorRef = std::uint32_t;

enum class PenStyle : std::uint16_t { kSolid = 0, kNull = 5 };
enum class BrushStyle : std::uint16_t { kSolid = 0, kHollow = 1 };
enum class BackgroundMode : std::uint16_t { kTransparent = 1, kOpaque = 2 };

// A font as AddFont describes it.
struct MetafileFont {
  std::string face = "Arial";  // at most 31 characters are kept
  int height = 0;    // logical units; negative: the height of the characters
  int weight = 400;  // 400 normal, 700 bold
  bool italic = false;
};

class MetafileWriter {
 public:
  // Starts a picture of `width` x `height` units, `units_per_inch` to the
  // inch (1000: positions are thousandths of an inch).
  MetafileWriter(int width, int height, int units_per_inch);

  MetafileWriter(const MetafileWriter&) = delete;
  MetafileWriter& operator=(const MetafileWriter&) = delete;

  // SetBackgroundMode: whether text and dashed lines fill their background.
  void SetBackgroundMode(BackgroundMode mode);

  // SetTextColor: the colour of the text drawn from now on.
  void SetTextColor(ColorRef color);

  // AddPen, AddBrush, AddFont: create a new object in the lowest free slot
  // of the object table and return its index. (The names differ from the
  // records' so that no Windows header macro can rename them.)
  int AddPen(PenStyle style, int width, ColorRef color);
  int AddBrush(BrushStyle style, ColorRef color);
  int AddFont(const MetafileFont& font);

  // Select: makes object `index` the current pen, brush or font. Delete:
  // frees its slot; select another object of its kind first. An index that
  // holds no object writes nothing.
  void Select(int index);
  void Delete(int index);

  // MoveTo, LineTo: a line with the current pen from the current position.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);

  // Rectangle: a rectangle framed with the current pen and filled with the
  // current brush.
  void Rectangle(int left, int top, int right, int bottom);

  // Text: `text` (bytes in the font's character set) with its top-left
  // corner at (x, y), in the current font and text colour. Texts longer
  // than the format allows are cut.
  void Text(int x, int y, std::string_view text);

  // Finish: ends the picture and returns the complete placeable metafile.
  // The writer is spent afterwards.
  std::string Finish();

 private:
  // Appends one record: its size in 16-bit words, `function` and the
  // parameter bytes `params` (an even number of them).
  void AddRecord(MetafileFunction function, std::string_view params);
  // The lowest free slot of the object table, now taken.
  int TakeSlot();

  int width_;
  int height_;
  int units_per_inch_;
  std::string records_;
  std::vector<bool> slots_;  // in use, by index
  std::uint32_t largest_record_words_ = 0;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_WMF_WRITER_H_
