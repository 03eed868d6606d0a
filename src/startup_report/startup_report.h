// The start-up report run that begins every run of the program.

#ifndef VELLARO_STARTUP_REPORT_STARTUP_REPORT_H_
#define VELLARO_STARTUP_REPORT_STARTUP_REPORT_H_

#include <cstddef>
#include <vector>

#include "runtime/app_state.h"
#include "runtime/env.h"
#include "startup_report/goods_file.h"

namespace vellaro {

enum class StartupOutcome {
  kReady,    // the work folder is set; the program goes on
  kStopped,  // a fatal data-file failure ended the program (Env::Stop was
             // called); the caller returns without reading the command line
};

// What one start-up run did with its report, for a caller that asks.
struct StartupReportTrace {
  bool report_opened = false;
  // Detail bands printed by each timer event of the hidden window, in order.
  std::vector<int> details_per_timer_event;
  // The records printed, in the order they were printed.
  std::vector<GoodsRecord> printed;
  // Pages laid out when the report was closed (and dropped, unprinted).
  std::size_t pages = 0;
};

// RunStartupReport: sets the work folder to the current directory followed
// by "\KQ\" and creates it, empties the message text and attachment lists,
// then opens (or creates) the Goods data file and runs the hidden report
// over its records, reporting data-file failures with the standard
// warnings. The report reads every record in record order, 1000 per timer
// event of a hidden window, and is closed without being printed; Goods is
// closed again at the end. Returns kStopped when a fatal warning or the
// "Disk Error" stop ended the program. When `trace` is given, it receives
// what the report did.
StartupOutcome RunStartupReport(Env& env, AppState& state,
                                StartupReportTrace* trace = nullptr);

}  // namespace vellaro

#endif  // VELLARO_STARTUP_REPORT_STARTUP_REPORT_H_
