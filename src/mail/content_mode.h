// Which renditions of the report pages a message carries.

#ifndef VELLARO_MAIL_CONTENT_MODE_H_
#define VELLARO_MAIL_CONTENT_MODE_H_

#include "mail/eml_params.h"

namespace vellaro {

// True when the message shows the pages: page pictures in the HTML body,
// one metafile part per page and, with navigation on, the arrow parts.
// Content modes 0 and 4.
bool ShowsPages(const EmlParams& params);

// True when the message attaches the RTF document of all pages: content
// modes 0, 2, 3 and 5, unless NoRTF is set.
bool AttachesRtf(const EmlParams& params);

// True when the pages are linked by up and down arrows: at least two pages
// and both arrow paths given (non-blank).
bool NavigationOn(const EmlParams& params);

}  // namespace vellaro

#endif  // VELLARO_MAIL_CONTENT_MODE_H_
