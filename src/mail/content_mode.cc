#include "mail/content_mode.h"

#include <cstdint>
#include <iterator>

#include "runtime/text.h"

namespace vellaro {
namespace {

struct Renditions {
  bool pages;  // page pictures, page parts and arrows
  bool rtf;    // the RTF document attachment
};

// Content modes 0 to 5; every higher mode carries neither.
constexpr Renditions kRenditions[] = {
    /* 0 */ {true, true},
    /* 1 */ {false, false},
    /* 2 */ {false, true},
    /* 3 */ {false, true},
    /* 4 */ {true, false},
    /* 5 */ {false, true},
};

Renditions RenditionsOf(std::uint8_t content_mode) {
  if (content_mode >= std::size(kRenditions)) return {false, false};
  return kRenditions[content_mode];
}

}  // namespace

bool ShowsPages(const EmlParams& params) {
  return RenditionsOf(params.content_mode).pages;
}

bool AttachesRtf(const EmlParams& params) {
  return RenditionsOf(params.content_mode).rtf && params.no_rtf == 0;
}

bool NavigationOn(const EmlParams& params) {
  return params.page_count >= 2 && !IsBlank(params.up_image) &&
         !IsBlank(params.down_image);
}

}  // namespace vellaro
