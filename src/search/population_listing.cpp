#include "search/population_listing.h"

#include "report/row_listing.h"
#include "text/messages.h"

namespace genopt {

namespace {

void find_range(SearchState& state, std::int32_t i) {
  for (std::int32_t k = 1; k <= state.generated_count; ++k) {
    const double value = state.population[k][i];
    if (value < state.pop_min[i]) state.pop_min[i] = value;
    if (value > state.pop_max[i]) state.pop_max[i] = value;
  }
}

}  // namespace

void report_population_ranges(SearchState& state, ReportFile& selection) {
  const std::int32_t n = state.variable_count;
  selection.line(text::file::ranges_heading);
  for (std::int32_t i = 1; i <= n; ++i) {
    state.pop_max[i] = -1e30;
    state.pop_min[i] = 1e30;
  }
  for (std::int32_t i = 1; i <= n; ++i) {
    find_range(state, i);
    selection.line(i, text::file::range_min, state.pop_min[i], text::file::range_max,
                   state.pop_max[i]);
    selection.line(i, text::file::bound_min, state.lower_bound[i], text::file::bound_max,
                   state.upper_bound[i]);
  }
}

void list_warm_up_population(SearchState& state, ReportFile& selection) {
  selection.line();
  selection.line(text::file::warm_up_heading);
  write_row_listing(selection, state, state.population, state.generated_count,
                    {text::file::row_objective, text::file::variable});
  state.population_size = state.working_size;
}

}  // namespace genopt
