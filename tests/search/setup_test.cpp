#include "search/setup.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/search_fixture.h"

namespace genopt {
namespace {

struct ScalingCase {
  double real_lower;
  double real_upper;
  std::int32_t width;
  double lower;
  double upper;
  double centre;
  double scale;
};

TEST(RelativeScaling, StepsSpanTheRealRangeWhateverItsOrder) {
  const ScalingCase cases[] = {
      {2.0, 4.0, 100, -50.0, 50.0, 3.0, 0.02},
      {4.0, 2.0, 100, -50.0, 50.0, 3.0, 0.02},
      {2.0, 4.0, 101, -50.0, 50.0, 3.0, 2.0 * (1.0 / 101)},
      {7.0, 7.0, 100, -50.0, 50.0, 7.0, 0.0},
  };
  for (const ScalingCase& c : cases) {
    auto state = std::make_unique<SearchState>();
    state->variable_count = 1;
    state->lower_bound[1] = c.real_lower;
    state->upper_bound[1] = c.real_upper;
    state->relative_width = c.width;
    apply_relative_scaling(*state);
    SCOPED_TRACE(c.real_lower);
    EXPECT_EQ(state->lower_bound[1], c.lower);
    EXPECT_EQ(state->upper_bound[1], c.upper);
    EXPECT_EQ(state->range_centre[1], c.centre);
    EXPECT_DOUBLE_EQ(state->range_scale[1], c.scale);
    EXPECT_EQ(state->is_integer[1], 1);
    EXPECT_EQ(state->real_lower_bound[1], c.real_lower);
    EXPECT_EQ(state->real_upper_bound[1], c.real_upper);
  }
}

TEST(SearchSetUp, StartsTheOwnGeneratorAndOpensOnlyTheTwoReportsByDefault) {
  test_support::SearchBench bench;
  ASSERT_TRUE(
      bench.set_problem(0, {{2.0, 4.0}}, test_support::SearchBench::Reports::left_to_the_search));
  const SearchState& state = bench.state;
  const test_support::ScratchDirectory& directory = bench.scratch;
  ASSERT_FALSE(directory.exists("z_selection.txt"));
  ASSERT_TRUE(set_up_search(bench.context).ok());
  EXPECT_EQ(state.lower_bound[1], 2.0);  // no scaling without the relative mode
  EXPECT_EQ(state.current_mutation_threshold, state.mutation_threshold);
  EXPECT_EQ(mul5_random(bench.state.mul5, 0, 1, 0, bench.state.mul5_seed), 0.6603750586509705);
  EXPECT_TRUE(directory.exists("z_selection.txt"));
  EXPECT_TRUE(directory.exists("z_result.txt"));
  EXPECT_FALSE(directory.exists("z_ПРОМЕЖ_до    1 (18).txt"));
  EXPECT_FALSE(directory.exists("z_РЕЗУЛ_итер   3 (20).txt"));
}

}  // namespace
}  // namespace genopt
