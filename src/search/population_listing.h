#pragma once
// What z_selection.txt shows of the initial population after its generation:
// the range each variable took, then the warm-up population itself.

#include "report/report_file.h"
#include "state/search_state.h"

namespace genopt {

// pop_min and pop_max over rows 1..generated_count beside the bounds, one pair
// of lines a variable, in the search's own units. With no row at all they
// keep their starting values +1e30 and -1e30.
void report_population_ranges(SearchState& state, ReportFile& selection);

// Lists rows 1..generated_count, then hands over to the iterations:
// population_size becomes working_size for the rest of the run.
void list_warm_up_population(SearchState& state, ReportFile& selection);

}  // namespace genopt
