#include "runtime/report_engine.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace vellaro {
namespace {

// A page header with a title, a detail band of 280 with both fields, a page
// footer with the page number: the shape of the reports the program runs.
ReportDefinition TestDefinition() {
  ReportDefinition definition;
  definition.page_header.rect = {1000, 1000, 6000, 540};
  definition.page_header.controls = {
      {ControlKind::kText, {0, 20, 6000, 220}, "Title", 0, 0, {}}};
  definition.detail.rect = {0, 0, 6000, 280};
  definition.detail.controls = {
      {ControlKind::kField, {50, 50, 2900, 170}, "n-14", 0, 0, {}},
      {ControlKind::kField, {3050, 50, 2900, 170}, "s20", 1, 0, {}},
      {ControlKind::kLine, {50, 280, 5900, 0}, "", 0, 0, {}}};
  definition.detail_area = {1000, 1540, 6000, 7460};
  definition.page_footer.rect = {1000, 9000, 6000, 219};
  definition.page_footer.controls = {
      {ControlKind::kPageNumber, {5250, 30, 700, 135}, "Page <<<#", 0, 0, {}}};
  return definition;
}

class RecordingPrinter : public PagePrinter {
 public:
  void PrintPage(const ReportPage& page) override {
    numbers.push_back(page.number);
  }
  std::vector<int> numbers;
};

Record Goods(int id) { return Record{id, "Item " + std::to_string(id)}; }

const PageItem* FindText(const ReportPage& page, const std::string& text) {
  for (const PageItem& item : page.items) {
    if (item.text == text) return &item;
  }
  return nullptr;
}

TEST(ReportTest, DetailsFillTheAreaTwentySixToAPage) {
  ReportDefinition definition = TestDefinition();
  PageList page_list;
  Report report(definition, &page_list, nullptr);
  for (int id = 1; id <= 2500; ++id) report.PrintDetail(Goods(id));

  ASSERT_EQ(report.pages().size(), 97u);  // 96 full pages and 4 details
  EXPECT_EQ(page_list.size(), 97u);
  EXPECT_EQ(std::set<std::string>(page_list.begin(), page_list.end()).size(),
            97u);

  const ReportPage& first = report.pages()[0];
  const PageItem* title = FindText(first, "Title");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->rect.x, 1000);
  EXPECT_EQ(title->rect.y, 1020);
  const PageItem* last_on_first = FindText(first, "Item 26");
  ASSERT_NE(last_on_first, nullptr);
  EXPECT_EQ(last_on_first->rect.x, 4050);
  EXPECT_EQ(last_on_first->rect.y, 1540 + 25 * 280 + 50);
  EXPECT_EQ(FindText(first, "Item 27"), nullptr);

  const ReportPage& second = report.pages()[1];
  const PageItem* first_on_second = FindText(second, "Item 27");
  ASSERT_NE(first_on_second, nullptr);
  EXPECT_EQ(first_on_second->rect.y, 1590);
  const PageItem* number = FindText(second, "Page 2");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->rect.y, 9030);
  EXPECT_NE(FindText(second, "            27"), nullptr);
}

TEST(ReportTest, OnlyTheEndOfReportPrints) {
  ReportDefinition definition = TestDefinition();
  PageList page_list;
  RecordingPrinter printer;

  Report closed(definition, &page_list, &printer);
  for (int id = 1; id <= 30; ++id) closed.PrintDetail(Goods(id));
  closed.Close();
  EXPECT_TRUE(printer.numbers.empty());
  EXPECT_TRUE(closed.pages().empty());
  EXPECT_EQ(page_list.size(), 2u) << "the list is its owner's to empty";

  Report ended(definition, &page_list, &printer);
  for (int id = 1; id <= 30; ++id) ended.PrintDetail(Goods(id));
  ended.EndReport();
  EXPECT_EQ(printer.numbers, (std::vector<int>{1, 2}));
  ended.EndReport();
  EXPECT_EQ(printer.numbers.size(), 2u) << "an ended report is closed";
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
