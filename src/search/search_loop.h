#pragma once

#include "report/progress_report.h"
#include "search/search_context.h"

namespace genopt {

// Which progress pairs this iteration writes: a pair is due when its counter
// is negative (the first iteration) or has reached its period; the counter
// of a due pair starts again from 0.
ProgressDue take_progress_due(SearchState& state);

// Runs iterations until max_iterations passes are made or the operator
// presses "1"; keys are read as single keys while it runs.
Outcome run_search_loop(SearchContext& context);

}  // namespace genopt
