#include "runtime/report_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "runtime/wmf_test_util.h"

namespace vellaro {
namespace {

// A page header with a bold title over a grey box split by a line, a detail
// band of 280 with both fields and a rule, a page footer with the page
// number in a smaller font: the shape of the reports the program runs.
ReportDefinition TestDefinition() {
  ReportFont bold;
  bold.bold = true;
  ReportFont small;
  small.points = 8;
  ReportDefinition definition;
  definition.page_header.rect = {1000, 1000, 6000, 540};
  definition.page_header.controls = {
      {ControlKind::kText, {0, 20, 6000, 220}, "Title", 0, 0, bold},
      {ControlKind::kBox, {0, 260, 6000, 280}, "", 0, 0xC0C0C0, {}},
      {ControlKind::kLine, {3000, 260, 0, 280}, "", 0, 0, {}},
      {ControlKind::kText, {50, 310, 2900, 170}, "Cus ID", 0, 0, {}}};
  definition.detail.rect = {0, 0, 6000, 280};
  definition.detail.controls = {
      {ControlKind::kField, {50, 50, 2900, 170}, "n-14", 0, 0, {}},
      {ControlKind::kField, {3050, 50, 2900, 170}, "s20", 1, 0, {}},
      {ControlKind::kLine, {50, 280, 5900, 0}, "", 0, 0, {}}};
  definition.detail_area = {1000, 1540, 6000, 7460};
  definition.page_footer.rect = {1000, 9000, 6000, 219};
  definition.page_footer.controls = {{ControlKind::kPageNumber,
                                      {5250, 30, 700, 135},
                                      "Page <<<#",
                                      0,
                                      0,
                                      small}};
  return definition;
}

class RecordingPrinter : public PagePrinter {
 public:
  void PrintPage(const PagePicture& page) override { pages.push_back(page); }
  std::vector<PagePicture> pages;
};

Record Goods(int id) { return Record{id, "Item " + std::to_string(id)}; }

// The text `text` of a page picture, or a text with no characters.
WmfText FindText(const WmfFile& file, const std::string& text) {
  for (const WmfText& found : WmfTexts(file)) {
    if (found.text == text) return found;
  }
  return WmfText{};
}

// The parameter words of the records of `function`, in order.
std::vector<std::vector<int>> Shapes(const WmfFile& file,
                                     std::uint16_t function, int words) {
  std::vector<std::vector<int>> shapes;
  for (const WmfRecord& record : file.records) {
    if (record.function != function) continue;
    std::vector<int>& shape = shapes.emplace_back();
    for (int i = 0; i < words; ++i) {
      shape.push_back(record.Word(static_cast<std::size_t>(i)));
    }
  }
  return shapes;
}

TEST(ReportTest, PagesAreMetafilesOfTheirControlsInPlace) {
  ReportDefinition definition = TestDefinition();
  PageList page_list;
  RecordingPrinter printer;
  Report report(definition, &page_list, &printer);
  for (int id = 1; id <= 2500; ++id) report.PrintDetail(Goods(id));
  EXPECT_EQ(report.page_count(), 97u);  // 96 full pages and 4 details
  report.EndReport();

  ASSERT_EQ(printer.pages.size(), 97u);
  ASSERT_EQ(page_list.size(), 97u);
  EXPECT_EQ(std::set<std::string>(page_list.begin(), page_list.end()).size(),
            97u);
  for (std::size_t i = 0; i < printer.pages.size(); ++i) {
    const PagePicture& page = printer.pages[i];
    EXPECT_EQ(page.number, static_cast<int>(i + 1));
    EXPECT_EQ(page.name, page_list[i]);
    WmfFile file = ReadWmf(page.metafile);
    ASSERT_EQ(file.error, "") << "page " << page.number;
    EXPECT_EQ(file.right, 8270);
    EXPECT_EQ(file.bottom, 11530);
    EXPECT_EQ(file.units_per_inch, 1000);
  }

  WmfFile first = ReadWmf(printer.pages[0].metafile);
  EXPECT_EQ(FindText(first, "Title"),
            (WmfText{1000, 1020, "Title", -139, 700}));
  EXPECT_EQ(FindText(first, "Cus ID").font_weight, 400);
  EXPECT_EQ(FindText(first, "Item 26"),
            (WmfText{4050, 1540 + 25 * 280 + 50, "Item 26", -139, 400}));
  EXPECT_EQ(FindText(first, "Item 27").text, "");
  EXPECT_EQ(FindText(first, "Page 1"),
            (WmfText{6250, 9030, "Page 1", -111, 400}));
  // The grey box under the headings (bottom, right, top, left), filled by a
  // solid brush of its colour, and the header line before the detail rules.
  EXPECT_EQ(Shapes(first, kMetaRectangle, 4),
            (std::vector<std::vector<int>>{{1540, 7000, 1260, 1000}}));
  std::vector<std::vector<int>> brushes =
      Shapes(first, kMetaCreateBrushIndirect, 3);
  EXPECT_NE(
      std::find(brushes.begin(), brushes.end(),
                std::vector<int>{0, static_cast<std::int16_t>(0xC0C0), 0xC0}),
      brushes.end());
  std::vector<std::vector<int>> moves = Shapes(first, kMetaMoveTo, 2);
  std::vector<std::vector<int>> lines = Shapes(first, kMetaLineTo, 2);
  ASSERT_EQ(moves.size(), 1u + 26u);
  EXPECT_EQ(moves[0], (std::vector<int>{1260, 4000}));
  EXPECT_EQ(lines[0], (std::vector<int>{1540, 4000}));
  EXPECT_EQ(moves[1], (std::vector<int>{1820, 1050}));
  EXPECT_EQ(lines[1], (std::vector<int>{1820, 6950}));

  WmfFile second = ReadWmf(printer.pages[1].metafile);
  EXPECT_EQ(FindText(second, "Item 27").y, 1590);
  EXPECT_EQ(FindText(second, "            27").x, 1050);
  EXPECT_EQ(FindText(second, "Page 2").y, 9030);

  WmfFile last = ReadWmf(printer.pages[96].metafile);
  EXPECT_EQ(FindText(last, "Item 2500").y, 1540 + 3 * 280 + 50);
  EXPECT_EQ(Shapes(last, kMetaMoveTo, 2).size(), 1u + 4u);
}

TEST(ReportTest, OnlyTheEndOfReportPrints) {
  ReportDefinition definition = TestDefinition();
  PageList page_list;
  RecordingPrinter printer;

  Report closed(definition, &page_list, &printer);
  for (int id = 1; id <= 30; ++id) closed.PrintDetail(Goods(id));
  EXPECT_EQ(closed.page_count(), 2u);
  EXPECT_EQ(closed.pictures().size(), 1u) << "page 2 is still laid out";
  closed.Close();
  EXPECT_TRUE(printer.pages.empty());
  EXPECT_TRUE(closed.pictures().empty());
  EXPECT_EQ(closed.page_count(), 0u);
  EXPECT_EQ(page_list.size(), 2u) << "the list is its owner's to empty";

  Report ended(definition, &page_list, &printer);
  for (int id = 1; id <= 30; ++id) ended.PrintDetail(Goods(id));
  ended.EndReport();
  ASSERT_EQ(printer.pages.size(), 2u);
  EXPECT_EQ(printer.pages[1].number, 2);
  ended.EndReport();
  ended.PrintDetail(Goods(31));
  EXPECT_EQ(printer.pages.size(), 2u) << "an ended report is closed";

  Report empty(definition, &page_list, &printer);
  empty.EndReport();
  EXPECT_EQ(printer.pages.size(), 2u) << "no record, no page";
}

TEST(ReportTest, TextsAreDrawnInTheAnsiCodePage) {
  struct Case {
    std::string utf8;
    std::string ansi;
  };
  const Case cases[] = {
      {"Oak desk 12", "Oak desk 12"},
      {"Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65", "Cr\xE8me br\xFBl\xE9\x65"},
      {"\xE2\x82\xAC 5 \xE2\x80\x93 6", "\x80 5 \x96 6"},
      {"\xE6\x97\xA5\xE6\x9C\xAC", "??"},
      {"\xF0\x9F\x93\xA6 box", "? box"},
      {"caf\xE9", "caf\xE9"},    // already in the code page
      {"cut \xC3", "cut \xC3"},  // a sequence cut short
      {"\xC0\xAF", "\xC0\xAF"},  // never UTF-8
      {"\xE0\x81\x81", "?"},     // an overlong "A"
  };
  for (const Case& c : cases) EXPECT_EQ(AnsiText(c.utf8), c.ansi) << c.utf8;

  ReportDefinition definition = TestDefinition();
  RecordingPrinter printer;
  Report report(definition, nullptr, &printer);
  report.PrintDetail(Record{1, "Cr\xC3\xA8me"});
  report.EndReport();
  ASSERT_EQ(printer.pages.size(), 1u);
  EXPECT_EQ(FindText(ReadWmf(printer.pages[0].metafile), "Cr\xE8me").x, 4050);
}

TEST(ReportTest, PicturesFormatNumbersTextsAndPageNumbers) {
  EXPECT_EQ(FormatPicture("n-14", FieldValue(1234)), "          1234");
  EXPECT_EQ(FormatPicture("n-14", FieldValue(-2147483647 - 1)),
            "   -2147483648");
  EXPECT_EQ(FormatPicture("n3", FieldValue(12345)), "###");
  EXPECT_EQ(FormatPicture("s5", FieldValue(std::string("abcdefg"))), "abcde");
  EXPECT_EQ(FormatPicture("s20", FieldValue(std::string("short"))), "short");
  EXPECT_EQ(FormatPageNumber("Page <<<#", 12), "Page 12");
  EXPECT_EQ(FormatPageNumber("<<<# of them", 12345), "12345 of them");
}

}  // namespace
}  // namespace vellaro
