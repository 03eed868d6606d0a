#include "runtime/report_engine.h"

#include <charconv>
#include <optional>
#include <utility>

#include "runtime/text.h"
#include "runtime/wmf_writer.h"

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

// Page pictures count in thousandths of an inch.
constexpr int kUnitsPerInch = 1000;
constexpr int kPointsPerInch = 72;
constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;
// Lines and box frames: a hundredth of an inch wide, black.
constexpr int kPenWidth = 10;
constexpr ColorRef kPenColor = 0x000000;

MetafileFont ToMetafileFont(const ReportFont& font) {
  // The height of the characters (a negative height), rounded.
  int height =
      (font.points * kUnitsPerInch * 2 + kPointsPerInch) / (2 * kPointsPerInch);
  return MetafileFont{font.face, -height,
                      font.bold ? kWeightBold : kWeightNormal, false};
}

bool SameFont(const ReportFont& a, const ReportFont& b) {
  return a.face == b.face && a.points == b.points && a.bold == b.bold;
}

// Draws the items of one page, creating a font only when it changes.
class PageDrawing {
 public:
  explicit PageDrawing(const PaperSize& paper)
      : writer_(paper.width, paper.height, kUnitsPerInch) {
    writer_.SetBackgroundMode(BackgroundMode::kTransparent);
    writer_.SetTextColor(text_color_);
    pen_ = writer_.AddPen(PenStyle::kSolid, kPenWidth, kPenColor);
    writer_.Select(pen_);
    // Shapes are hollow unless a box asks for its fill.
    hollow_ = writer_.AddBrush(BrushStyle::kHollow, 0);
    writer_.Select(hollow_);
  }

  void Draw(const PageItem& item) {
    const ReportRect& r = item.rect;
    switch (item.kind) {
      case ControlKind::kText:
      case ControlKind::kField:
      case ControlKind::kPageNumber:
        if (IsBlank(item.text)) return;
        UseFont(item.font);
        UseTextColor(item.color);
        writer_.Text(r.x, r.y, AnsiText(item.text));
        return;
      case ControlKind::kBox: {
        int fill = writer_.AddBrush(BrushStyle::kSolid, item.color);
        writer_.Select(fill);
        writer_.Rectangle(r.x, r.y, r.x + r.width, r.y + r.height);
        writer_.Select(hollow_);
        writer_.Delete(fill);
        return;
      }
      case ControlKind::kLine:
        writer_.MoveTo(r.x, r.y);
        writer_.LineTo(r.x + r.width, r.y + r.height);
        return;
    }
  }

  std::string Finish() {
    if (font_) writer_.Delete(font_->second);
    writer_.Delete(hollow_);
    writer_.Delete(pen_);
    return writer_.Finish();
  }

 private:
  void UseFont(const ReportFont& font) {
    if (font_ && SameFont(font_->first, font)) return;
    int index = writer_.AddFont(ToMetafileFont(font));
    writer_.Select(index);
    if (font_) writer_.Delete(font_->second);
    font_.emplace(font, index);
  }

  void UseTextColor(std::uint32_t color) {
    if (color == text_color_) return;
    text_color_ = color;
    writer_.SetTextColor(color);
  }

  MetafileWriter writer_;
  int pen_ = -1;
  int hollow_ = -1;
  std::optional<std::pair<ReportFont, int>> font_;  // the selected font
  ColorRef text_color_ = 0x000000;
};

// The Windows-1252 characters at 0x80..0x9F, by code point; the others of
// the code page equal their code point.
struct AnsiSpecial {
  char32_t code_point;
  unsigned char byte;
};
constexpr AnsiSpecial kAnsiSpecials[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84},
    {0x2026, 0x85}, {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88},
    {0x2030, 0x89}, {0x0160, 0x8A}, {0x2039, 0x8B}, {0x0152, 0x8C},
    {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92}, {0x201C, 0x93},
    {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
    {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B},
    {0x0153, 0x9C}, {0x017E, 0x9E}, {0x0178, 0x9F},
};

char AnsiChar(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<char>(code_point);
  }
  for (const AnsiSpecial& special : kAnsiSpecials) {
    if (special.code_point == code_point) {
      return static_cast<char>(special.byte);
    }
  }
  return '?';
}

// The length of the UTF-8 sequence that starts with `lead`, 0 when `lead`
// cannot start one.
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::string AnsiText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : SequenceLength(lead);
    bool whole = length > 1 && i + length <= text.size();
    char32_t code_point = lead;
    if (whole) {
      code_point = lead & (0xFF >> (length + 1));
      for (std::size_t k = 1; k < length && whole; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        whole = (next & 0xC0) == 0x80;
        code_point = code_point << 6 | (next & 0x3F);
      }
    }
    if (length > 1 && whole) {
      // An overlong form of an ASCII character is no character.
      out += code_point < 0x80 ? '?' : AnsiChar(code_point);
      i += length;
    } else {
      out += static_cast<char>(lead);  // ASCII, or not UTF-8: kept
      ++i;
    }
  }
  return out;
}

std::string RenderPage(const ReportPage& page, const PaperSize& paper) {
  PageDrawing drawing(paper);
  for (const PageItem& item : page.items) drawing.Draw(item);
  return drawing.Finish();
}

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
  if (!page_open_ || next_detail_y_ + height > area.y + area.height) {
    StartPage();
  }
  PlaceBand(definition_.detail, area.x, next_detail_y_, &record, page_);
  next_detail_y_ += height;
}

void Report::EndReport() {
  if (!open_) return;
  FinishPage();
  if (printer_ != nullptr) {
    for (const PagePicture& picture : pictures_) printer_->PrintPage(picture);
  }
  Close();
}

void Report::Close() {
  if (!open_) return;
  FinishPage();
  pictures_.clear();
  page_count_ = 0;
  open_ = false;
}

void Report::StartPage() {
  FinishPage();
  page_open_ = true;
  page_.number = static_cast<int>(++page_count_);
  page_.items.clear();
  const ReportBand& header = definition_.page_header;
  const ReportBand& footer = definition_.page_footer;
  PlaceBand(header, header.rect.x, header.rect.y, nullptr, page_);
  PlaceBand(footer, footer.rect.x, footer.rect.y, nullptr, page_);
  next_detail_y_ = definition_.detail_area.y;
  if (page_list_ != nullptr) page_list_->push_back(PageName(page_.number));
}

void Report::FinishPage() {
  if (!page_open_) return;
  page_open_ = false;
  pictures_.push_back(PagePicture{PageName(page_.number), page_.number,
                                  RenderPage(page_, definition_.paper)});
  page_.items.clear();
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
