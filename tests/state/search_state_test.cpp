#include "state/search_state.h"

#include <gtest/gtest.h>

#include <memory>

namespace genopt {
namespace {

struct SizeCase {
  std::int32_t n;
  std::int32_t population_size;
  double mutation_threshold;
  double late_mutation_threshold;
  double zero_threshold;
  double alternate_zero_threshold;
  std::int32_t switch_iteration;
};

TEST(SizeTable, EachRowAppliesFromItsFirstN) {
  const SizeCase cases[] = {
      {9, 100, 0.699999988079071, 0.8700000047683716, 1e-9f, 1e-7f, 1000},
      {10, 100, 0.699999988079071, 0.8700000047683716, 1e-8f, 1e-6f, 1000},
      {29, 100, 0.699999988079071, 0.8700000047683716, 1e-8f, 1e-6f, 1000},
      {30, 200, 0.8700000047683716, 0.97f, 1e-6f, 1e-4f, 2000},
      {199, 300, 0.8700000047683716, 0.987f, 1e-6f, 1e-4f, 3000},
      {349, 500, 0.8700000047683716, 0.987f, 1e-6f, 1e-4f, 1000},
      {350, 500, 0.8999999761581421, 0.99f, 1e-6f, 1e-4f, 1000},
      {500, 500, 0.8999999761581421, 0.99f, 1e-6f, 1e-4f, 1000},
  };
  for (const SizeCase& c : cases) {
    auto state = std::make_unique<SearchState>();
    state->variable_count = c.n;
    apply_size_table(*state);
    SCOPED_TRACE(c.n);
    EXPECT_EQ(state->population_size, c.population_size);
    EXPECT_EQ(state->mutation_threshold, c.mutation_threshold);
    EXPECT_EQ(state->late_mutation_threshold, c.late_mutation_threshold);
    EXPECT_EQ(state->zero_threshold, c.zero_threshold);
    EXPECT_EQ(state->alternate_zero_threshold, c.alternate_zero_threshold);
    EXPECT_EQ(state->switch_iteration, c.switch_iteration);
  }
}

TEST(SearchState, SettingsAreWidenedSinglePrecisionConstants) {
  const auto state = std::make_unique<SearchState>();  // far too large for the stack
  EXPECT_EQ(state->inherit_best_probability, 0.699999988079071);
  EXPECT_EQ(state->switch_probability, 0.30000001192092896);
  EXPECT_EQ(state->scale_bound, 1.100000023841858);
  EXPECT_EQ(state->console_report_counter, -100000);
}

}  // namespace
}  // namespace genopt
