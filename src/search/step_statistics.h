#pragma once
// The step of a local move and the statistics it comes from: the spread of the
// intermediate array, a smoothed mean absolute deviation kept over the
// iterations, and a random refinement step once both have shrunk to zero.

#include <cstdint>

#include "report/report_file.h"
#include "state/search_state.h"

namespace genopt {

// The step of variable i against current_zero_threshold: its spread, else its
// mean deviation, else (zero region) the product of two mul5 draws in [0, 1),
// told in `result` when trace_intermediate is 1.
double variable_step(SearchState& state, ReportFile& result, std::int32_t i);

// End of an iteration: the mean absolute deviation of every variable over the
// intermediate array, its history, and the average over the history window.
void update_step_statistics(SearchState& state, ReportFile& result);

}  // namespace genopt
