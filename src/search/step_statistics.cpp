#include "search/step_statistics.h"

#include <cmath>

#include "state/random_sources.h"
#include "text/messages.h"

namespace genopt {

namespace {

double refinement_step(SearchState& state) {
  // Two statements, so that the draws are made in their fixed order.
  const double first = mul5_random(state.mul5, 0, 1, 0, state.mul5_seed);
  const double second = mul5_random(state.mul5, 0, 1, 0, state.mul5_seed);
  return first * second;
}

// Mean absolute deviation of column i over rows 1..n; the factor 1/n is
// applied to every term, not to the sum.
double mean_absolute_deviation(const SearchState& state, std::int32_t i) {
  const std::int32_t n = state.population_size;
  const double f = 1.0 / n;
  double sum = 0.0;
  for (std::int32_t k = 1; k <= n; ++k) sum = sum + state.intermediate[k][i];
  const double mean = sum * f;
  double deviation = 0.0;
  for (std::int32_t k = 1; k <= n; ++k) {
    deviation = deviation + std::fabs(state.intermediate[k][i] - mean) * f;
  }
  return deviation;
}

// The newest deviation then stands in the last two rows.
void shift_history(SearchState& state) {
  const std::int32_t depth = state.history_depth;
  for (std::int32_t b = 1; b <= depth - 1; ++b) {
    for (std::int32_t i = 1; i <= state.variable_count; ++i) {
      state.deviation_history[b][i] = state.deviation_history[b + 1][i];
    }
  }
}

// Unrecorded rows hold 0 and a deviation equal to t never counts, so the
// window averages only what was above the threshold.
void average_window(SearchState& state, std::int32_t i, double t) {
  double sum = 0.0;
  std::int32_t count = 0;
  for (std::int32_t b = 1; b <= state.history_depth - 1; ++b) {
    if (state.deviation_history[b][i] > t) {
      sum = sum + state.deviation_history[b][i];
      ++count;
    }
  }
  if (count > 0) state.mean_deviation[i] = sum / count;
}

}  // namespace

double variable_step(SearchState& state, ReportFile& result, std::int32_t i) {
  const double t = state.current_zero_threshold;
  if (state.coordinate_spread[i] > t) return state.coordinate_spread[i];
  if (state.mean_deviation[i] > t) return state.mean_deviation[i];
  const double step = refinement_step(state);
  if (state.trace_intermediate == 1) result.line(i, text::file::refinement_made);
  return step;
}

void update_step_statistics(SearchState& state, ReportFile& result) {
  const std::int32_t n_variables = state.variable_count;
  const double t = state.current_zero_threshold;
  bool recorded = false;
  for (std::int32_t i = 1; i <= n_variables; ++i) {
    const double deviation = mean_absolute_deviation(state, i);
    state.mean_deviation[i] = deviation;
    if (deviation >= t) {
      state.deviation_history[state.history_depth][i] = deviation;
      recorded = true;
    }
  }
  if (recorded && state.history_depth - 1 > 0) shift_history(state);
  for (std::int32_t i = 1; i <= n_variables; ++i) {
    average_window(state, i, t);
    if (state.mean_deviation[i] <= state.zero_threshold && state.trace_intermediate == 1) {
      result.line(i, text::file::refinement_needed);
    }
  }
}

}  // namespace genopt
