// The report over Goods that the start-up run lays out, and the arithmetic
// of its progress window.

#ifndef VELLARO_STARTUP_REPORT_GOODS_REPORT_H_
#define VELLARO_STARTUP_REPORT_GOODS_REPORT_H_

#include <cstdint>
#include <string>

#include "runtime/report_engine.h"

namespace vellaro {

// The report definition: a page header with the title "Report the Goods
// File" and the column headings on a grey box, one detail band of 280 per
// record (customer id in "n-14", goods in "s20", a rule below) in a detail
// area of 7460, and a page footer with "Page <<<#".
const ReportDefinition& GoodsReportDefinition();

// ProgressPercent: `bytes_read` as a whole percentage of `file_size`,
// truncated, at most 100; 0 when the size is unknown (0 or less).
int ProgressPercent(std::int64_t bytes_read, std::int64_t file_size);

// PercentText: the progress window's percentage line, the percentage
// right-aligned in three characters (" 42% Completed").
std::string PercentText(int percent);

}  // namespace vellaro

#endif  // VELLARO_STARTUP_REPORT_GOODS_REPORT_H_
