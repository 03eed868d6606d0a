// The RTF document that holds every page of a report as a picture.

#ifndef VELLARO_ENCODE_RTF_WRITER_H_
#define VELLARO_ENCODE_RTF_WRITER_H_

#include <cstdint>
#include <string_view>

#include "runtime/app_state.h"
#include "runtime/buffered_writer.h"
#include "runtime/env.h"

namespace vellaro {

// What MakeRTFFile needs besides the page files.
struct RtfRequest {
  std::string_view rtf_path;    // the document to write; used clipped
  std::string_view paper_name;  // "A4", "A5", "Letter"; anything else is A4
  std::uint8_t page_count = 0;
  std::uint8_t scale_percent = 0;  // 0 means 100
  std::int32_t left_margin = 0;    // thousandths of an inch
  std::int32_t top_margin = 0;
  std::int32_t page_width = 0;
  std::int32_t page_height = 0;
  std::uint8_t landscape = 0;  // non-zero: landscape
  // Receives every byte of the document as it is written (null: none).
  ByteSink* tap = nullptr;
};

// MakeRTFFile: writes the RTF document of pages 1..page_count, whose files
// are named by `state` (PageFilePath).
//
// The document shows every page as a \wmetafile8 picture, scaled by
// scale_percent, in one paragraph, with paper words, margins and the time
// of writing (env.Now()) in its header. One picture tag, drawn from
// env.RandomBetween, serves every page of the document. The clock and the
// tag are read before page_count is checked. The document is deleted first
// and then created with other writers denied.
//
// Returns 0 when the document was written and closed; 1 when a page file
// cannot be opened (the document is closed and left on disk, ending with
// that page's picture prefix and picture text); 2 when page_count is 0
// (nothing touched), when the document cannot be created, or when a write
// to it fails (the broken document is then deleted where possible).
std::uint8_t MakeRTFFile(Env& env, const AppState& state,
                         const RtfRequest& request);

// WriteMetafileHex: appends page file `path` to `out` as upper-case
// hexadecimal text, skipping its 22-byte placeable header; CR LF after every
// 128 digits, none after a shorter last line. The path is used clipped and
// cut at 256 characters. A read error ends the data as if the file ended
// there. Returns 0 when copied, 1 when the file cannot be opened (nothing
// written then).
std::uint8_t WriteMetafileHex(Env& env, std::string_view path,
                              BufferedWriter& out);

}  // namespace vellaro

#endif  // VELLARO_ENCODE_RTF_WRITER_H_
