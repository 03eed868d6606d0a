#include "startup_report/goods_report.h"

#include <algorithm>

#include "runtime/text.h"

namespace vellaro {
namespace {

constexpr std::uint32_t kLightGrey = 0xC0C0C0;

ReportDefinition MakeGoodsReportDefinition() {
  ReportFont bold;
  bold.bold = true;
  ReportFont small;
  small.points = 8;

  ReportDefinition report;
  report.page_header.rect = {1000, 1000, 6000, 540};
  report.page_header.controls = {
      {ControlKind::kText,
       {0, 20, 6000, 220},
       "Report the Goods File",
       0,
       0,
       bold},
      {ControlKind::kBox, {0, 260, 6000, 280}, "", 0, kLightGrey, {}},
      {ControlKind::kLine, {3000, 260, 0, 280}, "", 0, 0, {}},
      {ControlKind::kText, {50, 310, 2900, 170}, "Cus ID", 0, 0, {}},
      {ControlKind::kText, {3050, 310, 2900, 170}, "Goods", 0, 0, {}},
  };
  report.detail.rect = {0, 0, 6000, 280};
  report.detail.controls = {
      {ControlKind::kField, {50, 50, 2900, 170}, "n-14", 0, 0, {}},
      {ControlKind::kField, {3050, 50, 2900, 170}, "s20", 1, 0, {}},
      {ControlKind::kLine, {50, 280, 5900, 0}, "", 0, 0, {}},
  };
  report.detail_area = {1000, 1540, 6000, 7460};
  report.page_footer.rect = {1000, 9000, 6000, 219};
  report.page_footer.controls = {
      {ControlKind::kPageNumber,
       {5250, 30, 700, 135},
       "Page <<<#",
       0,
       0,
       small},
  };
  return report;
}

}  // namespace

const ReportDefinition& GoodsReportDefinition() {
  static const ReportDefinition* const definition =
      new ReportDefinition(MakeGoodsReportDefinition());
  return *definition;
}

int ProgressPercent(std::int64_t bytes_read, std::int64_t file_size) {
  if (file_size <= 0 || bytes_read <= 0) return 0;
  // 64-bit arithmetic: bytes_read * 100 stays exact for any file size.
  std::int64_t percent =
      bytes_read / file_size >= 1 ? 100 : bytes_read * 100 / file_size;
  return static_cast<int>(std::min<std::int64_t>(percent, 100));
}

std::string PercentText(int percent) {
  std::string digits = Decimal(percent);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), ' ');
  return digits + "% Completed";
}

}  // namespace vellaro
