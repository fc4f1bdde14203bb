#pragma once

#include "search/search_engine.h"

namespace genopt {

// Runs iterations until max_iterations passes are made or the operator
// presses "1"; keys are read as single keys while it runs.
Outcome run_search_loop(SearchContext& context);

}  // namespace genopt
