#pragma once
// The opening step of every iteration: tournaments fill the intermediate
// array from the population, row 1 keeps the best individual, and the array
// is measured by its degree of difference and its coordinate spread. No model
// run is made here.

#include "report/report_files.h"
#include "state/search_state.h"

namespace genopt {

// Fills rows 1..population_size of intermediate, sets available_count,
// degree_of_difference, coordinate_spread and convergence_parameter, and
// writes the trace before ranking when trace_intermediate is 1.
void run_tournaments(SearchState& state, ReportFiles& reports);

}  // namespace genopt
