// The report engine: lays out the bands of a report definition on pages.
//
// A report has a page header and a page footer at fixed places on every
// page, and a detail band that is printed once per record into the detail
// area, top to bottom, starting a new page when the next one would not fit.
// Positions and sizes are in thousandths of an inch. A report either ends
// (EndReport hands its pages to the printer) or is closed without ending,
// in which case nothing is printed.

#ifndef VELLARO_RUNTIME_REPORT_ENGINE_H_
#define VELLARO_RUNTIME_REPORT_ENGINE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/keyed_file.h"

namespace vellaro {

struct ReportRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ReportFont {
  std::string face = "Arial";
  int points = 10;
  bool bold = false;
};

enum class ControlKind {
  kText,        // the control's text as it stands
  kField,       // field `field` of the record, in the picture `text`
  kPageNumber,  // the page number in the pattern `text`, e.g. "Page <<<#"
  kBox,         // a box filled with `color` (0x00BBGGRR)
  kLine,        // a line from (x, y), `width` across and `height` down
};

// One control of a band; its place is relative to the band.
struct ReportControl {
  ControlKind kind = ControlKind::kText;
  ReportRect rect;
  std::string text;
  std::size_t field = 0;
  std::uint32_t color = 0;
  ReportFont font;
};

struct ReportBand {
  ReportRect rect;  // x, y: the band's place on the page (not for details)
  std::vector<ReportControl> controls;
};

struct ReportDefinition {
  ReportBand page_header;
  ReportBand detail;
  ReportRect detail_area;  // where details go on each page
  ReportBand page_footer;
};

// A control placed on a page: the place is on the page, the text final.
struct PageItem {
  ControlKind kind = ControlKind::kText;
  ReportRect rect;
  std::string text;
  std::uint32_t color = 0;
  ReportFont font;
};

struct ReportPage {
  int number = 0;
  std::vector<PageItem> items;
};

// The names of the page pictures of a report, one per page, in page order.
using PageList = std::vector<std::string>;

// Receives the pages of a report that ends.
class PagePrinter {
 public:
  virtual ~PagePrinter() = default;
  virtual void PrintPage(const ReportPage& page) = 0;
};

// FormatPicture: `value` in the display picture `picture`. "nW" and "n-W"
// put a number right-aligned in W characters (with a leading minus sign
// when negative; "#" characters when it does not fit); "sW" cuts a text to
// W characters. A value whose kind the picture does not fit is shown as it
// stands.
std::string FormatPicture(std::string_view picture, const FieldValue& value);

// FormatPageNumber: `pattern` with its run of "<" and "#" replaced by
// `page`, left-aligned ("Page <<<#" and 12 give "Page 12").
std::string FormatPageNumber(std::string_view pattern, int page);

class Report {
 public:
  // Opens a report of `definition`. The name of each page's picture is
  // added to `page_list` as the page begins; `printer` (may be null)
  // receives the pages if the report ends. The definition, the list and the
  // printer must outlive the report.
  Report(const ReportDefinition& definition, PageList* page_list,
         PagePrinter* printer);

  // PrintDetail: lays out the detail band for `record`, below the previous
  // one, on a new page when it would not fit in the detail area.
  void PrintDetail(const Record& record);

  // EndReport: the end-of-report step; hands every page, in order, to the
  // printer. The report is closed afterwards.
  void EndReport();

  // Close: closes the report without the end-of-report step: the pages are
  // dropped and nothing is printed. Closing a closed report does nothing.
  void Close();

  // The pages laid out so far (none once the report is closed).
  const std::vector<ReportPage>& pages() const { return pages_; }

 private:
  void StartPage();
  void PlaceBand(const ReportBand& band, int x, int y, const Record* record,
                 ReportPage& page) const;

  const ReportDefinition& definition_;
  PageList* page_list_;
  PagePrinter* printer_;
  std::vector<ReportPage> pages_;
  int next_detail_y_ = 0;
  bool open_ = true;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_REPORT_ENGINE_H_
