#include "search/ranking.h"

#include <cstdint>

#include "report/row_listing.h"
#include "search/row_sort.h"
#include "text/messages.h"

namespace genopt {

namespace {

// Rows that share their stored objective with a neighbour, counted by the
// ranked blocks: one block of m equal values gives m, but two blocks of two
// give 3, as every further block adds only its number of equal neighbours.
std::int32_t count_coinciding(const SearchState& state) {
  const std::int32_t objective = state.variable_count + 1;
  const Table& rows = state.intermediate;
  std::int32_t equal_neighbours = 0;
  for (std::int32_t j = 1; j <= state.population_size - 1; ++j) {
    if (rows[j][objective] == rows[j + 1][objective]) ++equal_neighbours;
  }
  return equal_neighbours > 0 ? equal_neighbours + 1 : 0;
}

void write_trace_after(const SearchState& state, ReportFile& file) {
  file.line();
  file.line(state.iteration, text::file::iteration);
  file.line(text::file::trace_after_heading);
  file.line();
  file.line(text::file::intermediate_size, state.population_size, text::file::units);
  file.line(state.coinciding_count, text::file::coinciding);
  file.line();
  write_row_listing(file, state, state.intermediate, state.population_size,
                    {text::file::row_objective, text::file::variable});
}

bool same_coordinates(const Row& held, const Row& child, std::int32_t variable_count) {
  for (std::int32_t i = 1; i <= variable_count; ++i) {
    if (!(held[i] == child[i])) return false;
  }
  return true;
}

}  // namespace

void rank_intermediate(SearchState& state, ReportFiles& reports) {
  const std::int32_t n = state.variable_count;
  rerank_intermediate(state);
  state.coinciding_count = count_coinciding(state);
  if (state.trace_intermediate == 1) write_trace_after(state, reports.trace_after);
  for (std::int32_t k = 1; k <= state.population_size; ++k) {
    copy_row(state.intermediate[k], state.parent_table[k], n);
  }
  for (std::int32_t i = 1; i <= n; ++i) state.best_vector[i] = state.intermediate[1][i];
}

void rerank_intermediate(SearchState& state) {
  sort_rows(state.intermediate, state.population_size, state.variable_count, state.swap_row);
}

bool holds_coordinates(const SearchState& state, const Row& child) {
  for (std::int32_t k = 1; k <= state.population_size; ++k) {
    if (same_coordinates(state.intermediate[k], child, state.variable_count)) return true;
  }
  return false;
}

void carry_to_population(SearchState& state) {
  for (std::int32_t k = 1; k <= state.population_size; ++k) {
    copy_row(state.intermediate[k], state.population[k], state.variable_count);
  }
}

}  // namespace genopt
