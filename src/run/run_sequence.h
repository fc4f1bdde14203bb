#pragma once

#include "platform/console.h"
#include "run/command_line.h"
#include "state/search_state.h"

namespace genopt {

// The whole run: the directory taken for this run alone, the work file, the
// three input files in their order, the size table, one search, then the
// work file is deleted. Returns the exit status: 0 after a normal end and
// after every reported failure.
int run_genopt(SearchState& state, Console& console, const RunOptions& options = {});

}  // namespace genopt
