#pragma once
// What the search reports at the end of an iteration and at its end: the
// progress lines, the per-iteration population report, and the final results.

#include "platform/console.h"
#include "report/report_files.h"
#include "state/search_state.h"

namespace genopt {

// Which progress pairs an iteration writes.
struct ProgressDue {
  bool file = false;     // z_result.txt
  bool console = false;  // the console
};

// The progress pair of the best row in z_result.txt, then the same on the
// console, each when it is due.
void report_progress(const SearchState& state, const ProgressDue& due, ReportFiles& reports,
                     Console& console);

// The population of the iteration in rank order, when trace_iterations is 1.
void write_population_report(const SearchState& state, ReportFiles& reports);

// The final results of the best row (row 1 of intermediate) in z_result.txt,
// and the counters again in the iterations file when trace_iterations is 1.
void write_final_results(const SearchState& state, ReportFiles& reports);

}  // namespace genopt
