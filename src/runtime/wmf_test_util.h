// A strict reader of placeable metafiles for tests: it checks every field
// a picture viewer relies on and lists the records, so that a test can
// tell a real page picture from bytes that only look like one.

#ifndef VELLARO_RUNTIME_WMF_TEST_UTIL_H_
#define VELLARO_RUNTIME_WMF_TEST_UTIL_H_

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/wmf_writer.h"

namespace vellaro {

struct WmfRecord {
  std::uint16_t function = 0;
  std::string params;  // the parameter bytes

  // The 16-bit parameter at word `i`, signed.
  std::int16_t Word(std::size_t i) const {
    if (2 * i + 1 >= params.size()) return 0;
    return static_cast<std::int16_t>(
        static_cast<unsigned char>(params[2 * i]) |
        static_cast<unsigned char>(params[2 * i + 1]) << 8);
  }
};

struct WmfFile {
  std::string error;  // the first fault found; empty for a sound file
  int left = 0, top = 0, right = 0, bottom = 0;
  int units_per_inch = 0;
  int objects = 0;  // the object count of the header
  std::vector<WmfRecord> records;
};

namespace wmf_test_internal {

inline std::uint32_t Get16(std::string_view b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}
inline std::uint32_t Get32(std::string_view b, std::size_t at) {
  return Get16(b, at) | Get16(b, at + 2) << 16;
}
inline int GetI16(std::string_view b, std::size_t at) {
  return static_cast<std::int16_t>(Get16(b, at));
}

}  // namespace wmf_test_internal

// ReadWmf: parses `bytes` as a placeable metafile. Checks the key, the
// handle, the checksum, the standard header (type, size, version, file size,
// object count, largest record), that the records add up to the file,
// that every function is one the writer knows, that objects are selected
// and deleted only while they exist, and that the end record comes last.
inline WmfFile ReadWmf(std::string_view bytes) {
  using wmf_test_internal::Get16;
  using wmf_test_internal::Get32;
  using wmf_test_internal::GetI16;
  WmfFile file;
  constexpr std::size_t kHeaders = kPlaceableHeaderSize + kMetafileHeaderSize;
  if (bytes.size() < kHeaders || bytes.size() % 2 != 0) {
    file.error = "size " + std::to_string(bytes.size());
    return file;
  }
  if (Get32(bytes, 0) != kPlaceableKey) file.error = "placeable key";
  if (Get16(bytes, 4) != 0) file.error = "handle";
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 20; i += 2) sum ^= Get16(bytes, i);
  if (sum != Get16(bytes, 20)) file.error = "checksum";
  file.left = GetI16(bytes, 6);
  file.top = GetI16(bytes, 8);
  file.right = GetI16(bytes, 10);
  file.bottom = GetI16(bytes, 12);
  file.units_per_inch = static_cast<int>(Get16(bytes, 14));
  if (Get32(bytes, 16) != 0) file.error = "reserved";

  std::string_view meta = bytes.substr(kPlaceableHeaderSize);
  if (Get16(meta, 0) != 1 || Get16(meta, 2) != 9 || Get16(meta, 4) != 0x0300) {
    file.error = "metafile header";
  }
  if (Get32(meta, 6) != meta.size() / 2) file.error = "file size in words";
  file.objects = static_cast<int>(Get16(meta, 10));
  std::uint32_t header_largest = Get32(meta, 12);
  if (Get16(meta, 16) != 0) file.error = "parameter count";
  if (!file.error.empty()) return file;

  static const std::set<std::uint16_t> kKnown = {kMetaEof,
                                                 kMetaSetBkMode,
                                                 kMetaSetMapMode,
                                                 kMetaSetTextAlign,
                                                 kMetaSelectObject,
                                                 kMetaDeleteObject,
                                                 kMetaSetTextColor,
                                                 kMetaSetWindowOrg,
                                                 kMetaSetWindowExt,
                                                 kMetaLineTo,
                                                 kMetaMoveTo,
                                                 kMetaCreatePenIndirect,
                                                 kMetaCreateFontIndirect,
                                                 kMetaCreateBrushIndirect,
                                                 kMetaRectangle,
                                                 kMetaTextOut};
  std::vector<bool> slots;
  std::uint32_t largest = 0;
  std::size_t at = kMetafileHeaderSize;
  while (at < meta.size()) {
    if (!file.records.empty() && file.records.back().function == kMetaEof) {
      file.error = "records after the end record";
      return file;
    }
    if (meta.size() - at < 6) {
      file.error = "record header cut at byte " + std::to_string(at);
      return file;
    }
    std::uint32_t words = Get32(meta, at);
    if (words < 3 || words > (meta.size() - at) / 2) {
      file.error = "record size " + std::to_string(words);
      return file;
    }
    largest = std::max(largest, words);
    WmfRecord& record = file.records.emplace_back();
    record.function = static_cast<std::uint16_t>(Get16(meta, at + 4));
    record.params = std::string(meta.substr(at + 6, 2 * words - 6));
    at += 2 * words;
    if (kKnown.count(record.function) == 0) {
      file.error = "unknown function " + std::to_string(record.function);
      return file;
    }
    switch (record.function) {
      case kMetaCreatePenIndirect:
      case kMetaCreateBrushIndirect:
      case kMetaCreateFontIndirect: {
        auto free = std::find(slots.begin(), slots.end(), false);
        if (free == slots.end()) {
          slots.push_back(true);
        } else {
          *free = true;
        }
        break;
      }
      case kMetaSelectObject:
      case kMetaDeleteObject: {
        std::size_t index = static_cast<std::uint16_t>(record.Word(0));
        if (index >= slots.size() || !slots[index]) {
          file.error = "object " + std::to_string(index) + " does not exist";
          return file;
        }
        if (record.function == kMetaDeleteObject) slots[index] = false;
        break;
      }
      default:
        break;
    }
  }
  if (file.records.empty() || file.records.back().function != kMetaEof) {
    file.error = "no end record";
  } else if (std::find(slots.begin(), slots.end(), true) != slots.end()) {
    file.error = "objects left undeleted";
  } else if (slots.size() != static_cast<std::size_t>(file.objects)) {
    file.error = "object count " + std::to_string(file.objects) + ", used " +
                 std::to_string(slots.size());
  } else if (largest != header_largest) {
    file.error = "largest record " + std::to_string(header_largest) +
                 ", found " + std::to_string(largest);
  }
  return file;
}

// A text drawn by a TextOut record, with the font in force.
struct WmfText {
  int x = 0;
  int y = 0;
  std::string text;
  int font_height = 0;
  int font_weight = 0;

  bool operator==(const WmfText&) const = default;
};

// WmfTexts: the texts of `file` in drawing order, each with the height and
// weight of the font selected when it was drawn.
inline std::vector<WmfText> WmfTexts(const WmfFile& file) {
  std::vector<WmfText> texts;
  std::vector<const WmfRecord*> objects;
  const WmfRecord* font = nullptr;
  for (const WmfRecord& record : file.records) {
    switch (record.function) {
      case kMetaCreatePenIndirect:
      case kMetaCreateBrushIndirect:
      case kMetaCreateFontIndirect: {
        auto free = std::find(objects.begin(), objects.end(), nullptr);
        if (free == objects.end()) {
          objects.push_back(&record);
        } else {
          *free = &record;
        }
        break;
      }
      case kMetaSelectObject: {
        const WmfRecord* object =
            objects[static_cast<std::uint16_t>(record.Word(0))];
        if (object->function == kMetaCreateFontIndirect) font = object;
        break;
      }
      case kMetaDeleteObject:
        objects[static_cast<std::uint16_t>(record.Word(0))] = nullptr;
        break;
      case kMetaTextOut: {
        std::size_t length = static_cast<std::uint16_t>(record.Word(0));
        std::size_t words = (length + 1) / 2;
        WmfText& text = texts.emplace_back();
        text.text = record.params.substr(2, length);
        text.y = record.Word(1 + words);
        text.x = record.Word(2 + words);
        if (font != nullptr) {
          text.font_height = font->Word(0);
          text.font_weight = font->Word(4);
        }
        break;
      }
      default:
        break;
    }
  }
  return texts;
}

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_WMF_TEST_UTIL_H_
