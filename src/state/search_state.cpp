#include "state/search_state.h"

namespace genopt {

namespace {

struct SizeRow {
  std::int32_t min_variables;
  std::int32_t max_variables;  // inclusive
  std::int32_t population_size;
  float mutation_threshold;
  float late_mutation_threshold;
  float zero_threshold;
  float alternate_zero_threshold;
  std::int32_t switch_iteration;
};

constexpr SizeRow size_table[] = {
    {10, 29, 100, 0.7f, 0.87f, 1e-8f, 1e-6f, 1000},
    {30, 99, 200, 0.87f, 0.97f, 1e-6f, 1e-4f, 2000},
    {100, 199, 300, 0.87f, 0.987f, 1e-6f, 1e-4f, 3000},
    {200, 349, 500, 0.87f, 0.987f, 1e-6f, 1e-4f, 1000},
    {350, max_variables, 500, 0.9f, 0.99f, 1e-6f, 1e-4f, 1000},
};

}  // namespace

void apply_size_table(SearchState& state) {
  const std::int32_t n = state.variable_count;
  for (const SizeRow& row : size_table) {
    if (n < row.min_variables || n > row.max_variables) continue;
    state.population_size = row.population_size;
    state.mutation_threshold = widened(row.mutation_threshold);
    state.late_mutation_threshold = widened(row.late_mutation_threshold);
    state.zero_threshold = widened(row.zero_threshold);
    state.alternate_zero_threshold = widened(row.alternate_zero_threshold);
    state.switch_iteration = row.switch_iteration;
  }
}

}  // namespace genopt
