// The fixed texts of the RTF document, kept as data.
//
// A text of the document is a list of pieces: literal text, optionally
// followed by CR LF, or a slot that the writer fills with a value of the
// document at hand (the date, the paper words, the picture sizes, ...).
// Every backslash in a literal is a character of the output; the literals
// are raw strings so that they read exactly as they are written.

#ifndef VELLARO_ENCODE_RTF_TEXT_H_
#define VELLARO_ENCODE_RTF_TEXT_H_

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace vellaro {

// The values a document fills into the slots of its texts.
enum class RtfSlot : std::size_t {
  kNone,  // the piece is literal text
  kYear,
  kMonth,
  kDay,
  kHour,
  kMinute,
  kPaperWords,
  kMarginLeft,
  kMarginTop,
  kLandscapeWords,  // "\lndscpsxn" in landscape, empty in portrait
  kScale,
  kPicWidth,
  kPicHeight,
  kPicWidthGoal,
  kPicHeightGoal,
  kPictureTag,
  kCount,
};

// One piece of a document text: `text` (when `slot` is kNone) or the value
// of `slot`, then CR LF when `line_end` is set.
struct RtfPiece {
  std::string_view text;
  RtfSlot slot = RtfSlot::kNone;
  bool line_end = false;
};

// The value of every slot, as text, indexed by RtfSlot.
using RtfValues =
    std::array<std::string, static_cast<std::size_t>(RtfSlot::kCount)>;

// The document header: from "{\rtf1" up to the open group
// "{\insrsid13835495" in which the pictures follow.
std::span<const RtfPiece> RtfDocumentHeader();

// The start of every page's picture group: the picture prefix, the scale
// words and the picture text, up to where the hexadecimal data begins.
std::span<const RtfPiece> RtfPageHead();

// Closes a page's picture group and the open group, and opens the next one.
inline constexpr std::string_view kRtfPageSeparator = R"(}}{\insrsid13835495)";

// Closes the last group and the document.
inline constexpr std::string_view kRtfDocumentEnd =
    " \r\n"
    R"(\par }})";

// The paper words for `paper_name` ("A4", "A5", "Letter", compared exactly
// with trailing blanks ignored; anything else is A4) in the orientation
// given.
std::string_view RtfPaperWords(std::string_view paper_name, bool landscape);

// The orientation words at the end of the section line.
inline constexpr std::string_view kRtfLandscapeWords = R"(\lndscpsxn)";

// Renders `pieces` with `values` filled into their slots.
std::string RenderRtf(std::span<const RtfPiece> pieces,
                      const RtfValues& values);

}  // namespace vellaro

#endif  // VELLARO_ENCODE_RTF_TEXT_H_
