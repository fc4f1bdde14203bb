#include "search/step_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "report/report_file.h"
#include "text/messages.h"

namespace genopt {
namespace {

// Two rows per variable, 0 and 2d, give a mean absolute deviation of exactly d.
std::unique_ptr<SearchState> state_with_deviations(std::initializer_list<double> deviations) {
  auto state = std::make_unique<SearchState>();
  state->population_size = 2;
  state->variable_count = static_cast<std::int32_t>(deviations.size());
  state->current_zero_threshold = state->zero_threshold;
  std::int32_t i = 0;
  for (double d : deviations) {
    ++i;
    state->intermediate[1][i] = 0.0;
    state->intermediate[2][i] = 2 * d;
  }
  return state;
}

std::string zero_region_line(std::int32_t i, std::string_view text) {
  std::string line;
  write_free_format(line, Encoding::cp1251, i, text);
  return line;
}

struct EdgeCase {
  double threshold;  // in units of the deviation d
  double window_newest;
  double mean_deviation;
};

TEST(StepStatistics, DeviationAtTheThresholdIsRecordedButNotAveraged) {
  const double d = std::ldexp(1.0, -10);
  // The window held one earlier deviation of 3d, standing in the last two rows.
  const EdgeCase cases[] = {
      {1.0, d, 3 * d},      // recorded (>=), left out of the average (>)
      {0.5, d, 2 * d},      // recorded and averaged
      {2.0, 3 * d, 3 * d},  // not recorded: nothing moves
  };
  for (const EdgeCase& c : cases) {
    auto state = state_with_deviations({d});
    state->deviation_history[4][1] = 3 * d;
    state->deviation_history[5][1] = 3 * d;
    state->current_zero_threshold = c.threshold * d;
    ReportFile result("unused");
    update_step_statistics(*state, result);
    EXPECT_EQ(state->deviation_history[4][1], c.window_newest) << "t = " << c.threshold << "d";
    EXPECT_EQ(state->mean_deviation[1], c.mean_deviation) << "t = " << c.threshold << "d";
  }
}

TEST(StepStatistics, WindowAveragesTheLastFourRecordedDeviations) {
  auto state = state_with_deviations({0.0});
  ReportFile result("unused");
  const double expected[] = {1.0, 1.5, 2.0, 2.5, 3.5, 4.5};
  for (int iteration = 1; iteration <= 6; ++iteration) {
    state->intermediate[2][1] = 2.0 * iteration;  // deviation = iteration
    update_step_statistics(*state, result);
    EXPECT_EQ(state->mean_deviation[1], expected[iteration - 1]) << "iteration " << iteration;
  }
}

TEST(StepStatistics, VariableThatRecordedNothingRepeatsItsNewestValue) {
  const double v = 0.25;
  auto state = state_with_deviations({1.0, 0.0});
  state->deviation_history[4][2] = v;
  state->deviation_history[5][2] = v;
  ReportFile result("unused");
  update_step_statistics(*state, result);
  EXPECT_EQ(state->deviation_history[3][2], v);
  EXPECT_EQ(state->deviation_history[4][2], v);
  EXPECT_EQ(state->mean_deviation[2], v);
}

TEST(StepStatistics, AlternateThresholdGovernsHistoryButNotTheNeedLine) {
  // Between the two thresholds, then below both.
  const double between = std::ldexp(1.0, -25);
  const double below = std::ldexp(1.0, -31);
  for (std::int32_t trace : {0, 1}) {
    auto state = state_with_deviations({between, below});
    state->current_zero_threshold = state->alternate_zero_threshold;
    state->trace_intermediate = trace;
    ReportFile result("unused");
    update_step_statistics(*state, result);
    EXPECT_EQ(state->deviation_history[5][1], 0.0);
    EXPECT_EQ(state->mean_deviation[1], between);
    EXPECT_EQ(result.buffer(), trace == 1 ? zero_region_line(2, text::file::refinement_needed) : "")
        << "trace " << trace;
  }
}

TEST(VariableStep, IsTheSpreadElseTheMeanDeviationElseARefinementStep) {
  const double t = widened(1e-9f);
  struct Case {
    double spread, deviation;
    double expected;  // negative: the refinement step
  };
  const Case cases[] = {{0.5, 0.25, 0.5}, {t, 0.25, 0.25}, {t, t, -1.0}, {0.0, 0.0, -1.0}};
  for (std::int32_t trace : {0, 1}) {
    for (const Case& c : cases) {
      auto owned_state = std::make_unique<SearchState>();
      SearchState& state = *owned_state;
      ReportFile result("z_result.txt");  // never opened: the lines stay in its buffer
      state.current_zero_threshold = t;
      state.trace_intermediate = trace;
      state.coordinate_spread[3] = c.spread;
      state.mean_deviation[3] = c.deviation;
      mul5_random(state.mul5, 0, 1, 1, state.mul5_seed);
      Mul5Random replay = state.mul5;
      const double step = variable_step(state, result, 3);
      if (c.expected >= 0.0) {
        EXPECT_EQ(step, c.expected);
        EXPECT_EQ(state.mul5.state, replay.state);
        EXPECT_EQ(result.buffer(), "");
        continue;
      }
      const double first = mul5_random(replay, 0, 1, 0, 0.0);
      const double second = mul5_random(replay, 0, 1, 0, 0.0);
      EXPECT_EQ(step, first * second);
      EXPECT_EQ(state.mul5.state, replay.state);
      EXPECT_EQ(result.buffer(),
                trace == 1 ? zero_region_line(3, text::file::refinement_made) : "");
    }
  }
}

}  // namespace
}  // namespace genopt
