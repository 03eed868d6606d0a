#include "runtime/report_engine.h"

#include <charconv>

#include "runtime/text.h"

namespace vellaro {
namespace {

// The width W of a picture "nW", "n-W" or "sW"; 0 when there is none.
std::size_t PictureWidth(std::string_view digits) {
  std::size_t width = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), width);
  return width;
}

std::string NumberPicture(std::string_view picture, std::int32_t number) {
  std::string_view rest = picture.substr(1);
  if (!rest.empty() && rest.front() == '-') rest.remove_prefix(1);
  std::size_t width = PictureWidth(rest);
  std::string digits = Decimal(number);
  if (width == 0) return digits;
  if (digits.size() > width) return std::string(width, '#');
  return std::string(width - digits.size(), ' ') + digits;
}

// The name of the picture of page `page` of a report.
std::string PageName(int page) { return "RPT" + Decimal(page) + ".WMF"; }

}  // namespace

std::string FormatPicture(std::string_view picture, const FieldValue& value) {
  char kind = picture.empty() ? '\0' : picture.front();
  if (const std::int32_t* number = std::get_if<std::int32_t>(&value)) {
    if (kind == 'n' || kind == 'N') return NumberPicture(picture, *number);
    return Decimal(*number);
  }
  const std::string& text = std::get<std::string>(value);
  if (kind == 's' || kind == 'S') {
    std::size_t width = PictureWidth(picture.substr(1));
    if (width != 0) return text.substr(0, width);
  }
  return text;
}

std::string FormatPageNumber(std::string_view pattern, int page) {
  std::size_t start = pattern.find_first_of("<#");
  if (start == std::string_view::npos) return std::string(pattern);
  std::size_t end = pattern.find_first_not_of("<#", start);
  if (end == std::string_view::npos) end = pattern.size();
  return std::string(pattern.substr(0, start)) + Decimal(page) +
         std::string(pattern.substr(end));
}

Report::Report(const ReportDefinition& definition, PageList* page_list,
               PagePrinter* printer)
    : definition_(definition), page_list_(page_list), printer_(printer) {}

void Report::PrintDetail(const Record& record) {
  if (!open_) return;
  const ReportRect& area = definition_.detail_area;
  int height = definition_.detail.rect.height;
  if (pages_.empty() || next_detail_y_ + height > area.y + area.height) {
    StartPage();
  }
  PlaceBand(definition_.detail, area.x, next_detail_y_, &record, pages_.back());
  next_detail_y_ += height;
}

void Report::EndReport() {
  if (!open_) return;
  if (printer_ != nullptr) {
    for (const ReportPage& page : pages_) printer_->PrintPage(page);
  }
  Close();
}

void Report::Close() {
  pages_.clear();
  open_ = false;
}

void Report::StartPage() {
  ReportPage& page = pages_.emplace_back();
  page.number = static_cast<int>(pages_.size());
  const ReportBand& header = definition_.page_header;
  const ReportBand& footer = definition_.page_footer;
  PlaceBand(header, header.rect.x, header.rect.y, nullptr, page);
  PlaceBand(footer, footer.rect.x, footer.rect.y, nullptr, page);
  next_detail_y_ = definition_.detail_area.y;
  if (page_list_ != nullptr) page_list_->push_back(PageName(page.number));
}

void Report::PlaceBand(const ReportBand& band, int x, int y,
                       const Record* record, ReportPage& page) const {
  for (const ReportControl& control : band.controls) {
    PageItem& item = page.items.emplace_back();
    item.kind = control.kind;
    item.rect = ReportRect{x + control.rect.x, y + control.rect.y,
                           control.rect.width, control.rect.height};
    item.color = control.color;
    item.font = control.font;
    switch (control.kind) {
      case ControlKind::kField:
        if (record != nullptr && control.field < record->size()) {
          item.text = FormatPicture(control.text, (*record)[control.field]);
        }
        break;
      case ControlKind::kPageNumber:
        item.text = FormatPageNumber(control.text, page.number);
        break;
      case ControlKind::kText:
      case ControlKind::kBox:
      case ControlKind::kLine:
        item.text = control.text;
        break;
    }
  }
}

}  // namespace vellaro
