#pragma once
// What the search reports at the end of an iteration and at its end: the
// progress lines, the per-iteration population report, and the final results.

#include "report/report_files.h"
#include "platform/console.h"
#include "state/search_state.h"

namespace genopt {

// The progress pair in z_result.txt when its counter is negative or has
// reached its period, then the same on the console; each counter that
// reports starts again from 0. True when the file pair was written.
bool report_progress(SearchState& state, ReportFiles& reports, Console& console);

// The population of the iteration in rank order, when trace_iterations is 1.
void write_population_report(const SearchState& state, ReportFiles& reports);

// The final results of the best row (row 1 of intermediate) in z_result.txt,
// and the counters again in the iterations file when trace_iterations is 1.
void write_final_results(const SearchState& state, ReportFiles& reports);

}  // namespace genopt
