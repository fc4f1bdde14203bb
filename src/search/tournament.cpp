#include "search/tournament.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "report/row_listing.h"
#include "search/row_sort.h"
#include "search/truncation.h"
#include "state/random_sources.h"
#include "text/messages.h"

namespace genopt {

namespace {

// Starting values of the spread scan, beyond any coordinate of the search.
constexpr double no_largest = -1e30;
constexpr double no_smallest = 1e30;

// One draw with replacement among rows 1..available_count of population. The
// product is exact in double precision. A draw of exactly 1.0
// must still pick the last row; with no row available every draw gives row 1.
std::int32_t drawn_row(SearchState& state) {
  float r = 0.0f;
  minstd_random(state.minstd, r);
  std::int32_t row = truncate_toward_zero(state.available_count * static_cast<double>(r) + 1.0);
  if (state.available_count >= 1 && row > state.available_count) row = state.available_count;
  return row;
}

void exchange_rows(SearchState& state, Row& first, Row& second) {
  copy_row(first, state.swap_row, state.variable_count);
  copy_row(second, first, state.variable_count);
  copy_row(state.swap_row, second, state.variable_count);
}

// Draws tournament_size rows into parent_table and returns the winner. One
// bubble pass sinks the smallest stored objective to the last row; as equal
// values are not exchanged, the tournament winner is the row drawn last on a tie.
const Row& tournament_winner(SearchState& state) {
  const std::int32_t objective = state.variable_count + 1;
  const std::int32_t size = state.tournament_size;
  Table& drawn = state.parent_table;
  for (std::int32_t t = 1; t <= size; ++t) {
    copy_row(state.population[drawn_row(state)], drawn[t], state.variable_count);
  }
  for (std::int32_t t = 1; t <= size - 1; ++t) {
    if (drawn[t][objective] < drawn[t + 1][objective]) exchange_rows(state, drawn[t], drawn[t + 1]);
  }
  return drawn[size];
}

// Percent by which the mean stored objective of intermediate lies from the
// best one. A mean of exactly 0 would divide by zero: the degree is then 0
// when the best is 0 too, and +infinity otherwise, so that the search goes on
// as far from convergence.
double difference_degree(const SearchState& state, double tournament_sum) {
  const std::int32_t objective = state.variable_count + 1;
  const double best = state.population[1][objective];
  const double mean = (tournament_sum + state.intermediate[1][objective]) / state.population_size;
  if (mean == 0.0) return best == 0.0 ? 0.0 : std::numeric_limits<double>::infinity();
  return std::abs((mean - best) / mean) * 100.0;
}

void measure_spread(SearchState& state) {
  double total = 0.0;
  for (std::int32_t i = 1; i <= state.variable_count; ++i) {
    double largest = no_largest;
    double smallest = no_smallest;
    for (std::int32_t k = 1; k <= state.population_size; ++k) {
      const double v = state.intermediate[k][i];
      if (v < smallest) smallest = v;
      if (v > largest) largest = v;
    }
    state.coordinate_spread[i] = std::abs(largest - smallest);
    total += state.coordinate_spread[i];
  }
  state.convergence_parameter = total / state.variable_count;
}

void write_trace_before(const SearchState& state, ReportFile& file) {
  file.line();
  file.line(state.iteration, text::file::iteration);
  file.line(text::file::trace_before_heading);
  file.line();
  write_row_listing(file, state, state.intermediate, state.population_size,
                    {text::file::row_objective, text::file::variable});
  file.line(state.iteration, text::file::iteration);
  file.line(text::file::difference_degree, state.degree_of_difference, text::file::percent);
  file.line(text::file::convergence, state.convergence_parameter);
}

}  // namespace

void run_tournaments(SearchState& state, ReportFiles& reports) {
  const std::int32_t n = state.variable_count;
  double tournament_sum = 0.0;
  state.available_count = state.iteration == 1 ? state.generated_count : state.working_size;
  for (std::int32_t s = 2; s <= state.population_size; ++s) {
    copy_row(tournament_winner(state), state.intermediate[s], n);
    tournament_sum += state.intermediate[s][n + 1];
  }
  // Row 1 is the best individual whenever the population is sorted.
  copy_row(state.population[1], state.intermediate[1], n);
  state.degree_of_difference = difference_degree(state, tournament_sum);
  measure_spread(state);
  if (state.trace_intermediate == 1) write_trace_before(state, reports.trace_before);
}

}  // namespace genopt
