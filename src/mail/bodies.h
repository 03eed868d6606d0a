// The start of the message body: the plain-text and HTML alternatives.

#ifndef VELLARO_MAIL_BODIES_H_
#define VELLARO_MAIL_BODIES_H_

#include <cstdint>
#include <string_view>

#include "mail/eml_params.h"
#include "runtime/app_state.h"
#include "runtime/line_writer.h"

namespace vellaro {

// The size of the page pictures in the HTML body, in pixels.
struct PictureSize {
  std::int64_t width = 0;
  std::int64_t height = 0;
};

// ComputePictureSize: the picture size of the pages at ScalePercent (0 is
// taken as 100), in exact integer arithmetic truncated toward zero.
//
// The page size in thousandths of an inch becomes pixels at 96 per inch
// (x 0.096); landscape pages swap the sides, the new height stretched by
// 1.0664; both sides are then scaled. A4 (8270 x 11530) at 50 percent gives
// 396 x 553 in portrait and 553 x 422 in landscape.
PictureSize ComputePictureSize(const EmlParams& params);

// SoundLoopCount: how often the background sound plays, from SoundLoop:
// "Once" 1, "Twice" 2, "Three times" 3, "Forever" -1, anything else 0.
// Compared exactly and case-sensitively; trailing blanks are ignored.
int SoundLoopCount(std::string_view sound_loop);

// WriteBodies: writes the preamble, then the multipart/alternative section
// whole: an empty plain-text part and the quoted-printable HTML part, up to
// and including the empty lines after its closing delimiter.
//
// The HTML has the background colour, the background sound (when SoundFile
// is given), the message text block (when `state.message_text` holds lines)
// and, when the message shows the pages, each page's anchor, arrows and
// picture at `size`. Its fixed text is stored already encoded; inserted
// values (numbers, colours, the font face, the message text) are written
// as they are.
void WriteBodies(const EmlParams& params, const AppState& state,
                 PictureSize size, LineWriter& out);

// WritePageLines: writes the HTML lines of page `page` (1..PageCount): the
// anchor and arrow links when navigation is on, then the picture, which
// refers to the page's part by its content id, the page number. The picture
// has explicit sizes unless ScalePercent is exactly 100.
void WritePageLines(int page, const EmlParams& params, PictureSize size,
                    LineWriter& out);

}  // namespace vellaro

#endif  // VELLARO_MAIL_BODIES_H_
