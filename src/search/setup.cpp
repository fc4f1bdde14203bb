#include "search/setup.h"

#include <cmath>

namespace genopt {

void apply_relative_scaling(SearchState& state) {
  const std::int32_t n = state.variable_count;
  const std::int32_t half = state.relative_width / 2;
  const double step_fraction = 1.0 / state.relative_width;
  for (std::int32_t i = 1; i <= n; ++i) state.is_integer[i] = 1;
  for (std::int32_t i = 1; i <= n; ++i) {
    state.real_lower_bound[i] = state.lower_bound[i];
    state.real_upper_bound[i] = state.upper_bound[i];
    state.lower_bound[i] = -half;
    state.upper_bound[i] = +half;
    state.range_centre[i] = (state.real_upper_bound[i] + state.real_lower_bound[i]) * 0.5;
    // The absolute value makes step -h the smaller real bound even when the
    // bounds were given in reverse order.
    state.range_scale[i] =
        std::fabs((state.real_upper_bound[i] - state.real_lower_bound[i]) * step_fraction);
  }
}

Outcome set_up_search(SearchContext& context) {
  SearchState& state = context.state;
  if (state.relative_mode == 1) apply_relative_scaling(state);
  state.mul5_seed = mul5_start_seed;
  mul5_random(state.mul5, -1, 1, 1, state.mul5_seed);  // only starts the generator
  state.current_mutation_threshold = state.mutation_threshold;
  state.generated_count = 0;
  return context.reports.open(state.trace_intermediate, state.trace_iterations);
}

}  // namespace genopt
