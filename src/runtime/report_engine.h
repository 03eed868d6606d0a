// The report engine: lays out the bands of a report definition on pages and
// draws each page as a picture.
//
// A report has a page header and a page footer at fixed places on every
// page, and a detail band that is printed once per record into the detail
// area, top to bottom, starting a new page when the next one would not fit.
// Positions and sizes are in thousandths of an inch. Every page becomes a
// placeable Windows metafile in memory, one unit a thousandth of an inch,
// as soon as it is complete. A report either ends (EndReport hands its page
// pictures to the printer) or is closed without ending, in which case
// nothing is printed.

#ifndef VELLARO_RUNTIME_REPORT_ENGINE_H_
#define VELLARO_RUNTIME_REPORT_ENGINE_H_

#include <cstddef>
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

// The size of the paper a report is laid out on, thousandths of an inch.
// The default is the printable page of A4 paper.
struct PaperSize {
  int width = 8270;
  int height = 11530;
};

struct ReportDefinition {
  PaperSize paper;
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

// A page as it is laid out: its number and its controls, in band order.
struct ReportPage {
  int number = 0;
  std::vector<PageItem> items;
};

// A page as it is printed: the name of its picture in the page list, its
// number and the placeable metafile that draws it.
struct PagePicture {
  std::string name;
  int number = 0;
  std::string metafile;
};

// The names of the page pictures of a report, one per page, in page order.
using PageList = std::vector<std::string>;

// Receives the pages of a report that ends.
class PagePrinter {
 public:
  virtual ~PagePrinter() = default;
  virtual void PrintPage(const PagePicture& page) = 0;
};

// RenderPage: the picture of `page` on `paper`, a placeable metafile whose
// frame is the paper, one unit a thousandth of an inch. Texts are drawn
// from the top-left corner of their control in its font (transparent, in
// the control's colour); a box is a rectangle framed with a thin black
// pen and filled with its colour; a line is drawn with the same pen.
std::string RenderPage(const ReportPage& page, const PaperSize& paper);

// AnsiText: the UTF-8 text `text` in the Windows-1252 code page that page
// pictures use. Characters the code page lacks become "?"; bytes that are
// not UTF-8 are kept as they are (a text already in the code page).
std::string AnsiText(std::string_view text);

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
  // receives the page pictures if the report ends. The definition, the list
  // and the printer must outlive the report.
  Report(const ReportDefinition& definition, PageList* page_list,
         PagePrinter* printer);

  // PrintDetail: lays out the detail band for `record`, below the previous
  // one, on a new page when it would not fit in the detail area.
  void PrintDetail(const Record& record);

  // EndReport: the end-of-report step; draws the last page and hands every
  // page picture, in order, to the printer. The report is closed
  // afterwards.
  void EndReport();

  // Close: closes the report without the end-of-report step: the last page
  // is drawn like the others, then every picture is dropped and nothing is
  // printed. Closing a closed report does nothing.
  void Close();

  // The number of pages laid out so far (0 once the report is closed).
  std::size_t page_count() const { return page_count_; }

  // The pictures of the pages finished so far, in page order; the page
  // being laid out is drawn when the next one begins or the report ends.
  const std::vector<PagePicture>& pictures() const { return pictures_; }

 private:
  void StartPage();
  void FinishPage();
  void PlaceBand(const ReportBand& band, int x, int y, const Record* record,
                 ReportPage& page) const;

  const ReportDefinition& definition_;
  PageList* page_list_;
  PagePrinter* printer_;
  std::vector<PagePicture> pictures_;
  ReportPage page_;  // the page being laid out, while page_open_
  bool page_open_ = false;
  std::size_t page_count_ = 0;
  int next_detail_y_ = 0;
  bool open_ = true;
};

}  // namespace vellaro

#endif  // VELLARO_RUNTIME_REPORT_ENGINE_H_
