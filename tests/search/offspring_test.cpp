#include "search/offspring.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "state/random_sources.h"
#include "support/minstd_states.h"
#include "support/model_call_log.h"
#include "support/search_fixture.h"
#include "support/settings_text.h"

namespace genopt {
namespace {

using test_support::model_calls;
using test_support::SearchBench;
using test_support::start_model_call_log;

// One offspring step over `model`, with the keys of the bench's script
// answering the keyboard polls one by one. Two variables on [0, 4), three
// rows: the best vector and every parent are (2, 1), so that an unmutated
// child is that point; the rows held differ from it.
[[nodiscard]] ::testing::AssertionResult set_up_offspring_step(SearchBench& bench,
                                                               std::string_view model) {
  bench.scratch.install_model(model);
  start_model_call_log(bench.scratch);
  if (auto set_up = bench.set_problem(0, {{0, 4}, {0, 4}}); !set_up) return set_up;
  SearchState& s = bench.state;
  s.population_size = 3;
  s.current_mutation_threshold = 2.0;  // no draw exceeds it: children are not mutated
  const double held[4][3] = {{}, {0.0, 0.0, 0.5}, {0.0, 3.0, 0.75}, {3.0, 3.0, 100.0}};
  for (std::int32_t i = 1; i <= 2; ++i) {
    s.best_vector[i] = i == 1 ? 2.0 : 1.0;
    for (std::int32_t k = 1; k <= 3; ++k) s.parent_table[k][i] = s.best_vector[i];
  }
  for (std::int32_t k = 1; k <= 3; ++k) {
    for (std::int32_t column = 1; column <= 3; ++column)
      s.intermediate[k][column] = held[k][column - 1];
  }
  return ::testing::AssertionSuccess();
}

// The step under test; `stopped` tells whether a key ended the search.
Outcome run_step(SearchBench& bench, bool& stopped) {
  const StepResult step = make_offspring(bench.context);
  stopped = step.end == StepEnd::stopped;
  return step.outcome;
}

std::size_t model_runs(const SearchBench& bench) { return model_calls(bench.scratch).size(); }

TEST(Offspring, EveryCompletedChildCostsOneModelRunAndStopDropsTheOneBeingBuilt) {
  struct Case {
    std::string_view script;  // one key a poll; "x" is no key of ours
    bool stopped;
    std::size_t model_runs;
  };
  const Case cases[] = {
      {"1", true, 0},   // before the first variable
      {"x1", true, 0},  // before the second variable of the first child
      {"xx1", true, 1},
      {"", false, 3},
  };
  for (const Case& c : cases) {
    SearchBench bench(c.script);
    ASSERT_TRUE(set_up_offspring_step(bench, "sphere"));
    const MinstdRandom untouched = bench.state.minstd;
    bool stopped = !c.stopped;
    ASSERT_TRUE(run_step(bench, stopped).ok());
    EXPECT_EQ(stopped, c.stopped) << c.script;
    EXPECT_EQ(model_runs(bench), c.model_runs) << c.script;
    EXPECT_EQ(bench.state.evaluation.N_model_calls, static_cast<std::int32_t>(c.model_runs))
        << c.script;
    if (c.script == "1") {
      EXPECT_EQ(bench.state.minstd.state, untouched.state);  // not even r1 was drawn
    }
  }
}

TEST(Offspring, AcceptedChildReplacesTheWorstRowAndIsRanked) {
  // The child (2, 1) has sphere objective 1: stored as 1 when minimising, as -1
  // when maximising. Its two brothers coincide with it and are dropped.
  struct Case {
    std::int32_t objective_sense;
    std::int32_t child_row;
  };
  for (const Case c : {Case{1, 3}, Case{0, 1}}) {
    SearchBench bench;
    ASSERT_TRUE(set_up_offspring_step(bench, "sphere"));
    bench.state.objective_sense = c.objective_sense;
    bool stopped = true;
    ASSERT_TRUE(run_step(bench, stopped).ok());
    EXPECT_FALSE(stopped);
    EXPECT_EQ(model_runs(bench), 3u);
    const Table& rows = bench.state.intermediate;
    const double stored = c.objective_sense == 1 ? 1.0 : -1.0;
    EXPECT_EQ(rows[c.child_row][1], 2.0) << "sense " << c.objective_sense;
    EXPECT_EQ(rows[c.child_row][2], 1.0);
    EXPECT_EQ(rows[c.child_row][3], stored);
    // The old worst row (objective 100) is gone; the others keep their order.
    std::int32_t k = 1;
    for (double kept : {0.5, 0.75}) {
      if (k == c.child_row) ++k;
      EXPECT_EQ(rows[k++][3], kept) << "sense " << c.objective_sense;
    }
  }
}

TEST(Offspring, InfeasibleChildrenAreDropped) {
  SearchBench bench;
  ASSERT_TRUE(set_up_offspring_step(bench, "constrained"));
  // The model reads other bounds than the search's, so every child breaks one.
  bench.scratch.write("&_in_gen.txt", test_support::settings_text(0, 100, 100, {{5, 6}, {5, 6}}));
  // On the heap: a table is more than the 1 MB stack of a Windows thread.
  const auto before = std::make_unique<const Table>(bench.state.intermediate);
  bool stopped = true;
  ASSERT_TRUE(run_step(bench, stopped).ok());
  EXPECT_EQ(model_runs(bench), 3u);
  EXPECT_EQ(bench.state.evaluation.N_activations, 3);
  for (std::int32_t k = 1; k <= 3; ++k) {
    for (std::int32_t column = 1; column <= 3; ++column) {
      EXPECT_EQ(bench.state.intermediate[k][column], (*before)[k][column]);
    }
  }
}

TEST(Offspring, UnmutatedVariablesDrawTwiceAndStillMakeTheRefinementDraws) {
  // No mutation: by threshold, or in mode 2 where parent and best differ.
  struct Case {
    double mutation_threshold;
    std::int32_t mutation_mode;
  };
  for (const Case c : {Case{2.0, 1}, Case{0.0, 2}}) {
    SearchBench bench;
    ASSERT_TRUE(set_up_offspring_step(bench, "sphere"));
    SearchState& s = bench.state;
    s.current_mutation_threshold = c.mutation_threshold;
    s.mutation_mode = c.mutation_mode;
    for (std::int32_t k = 1; k <= 3; ++k) s.parent_table[k][1] = 3.0;  // best(1) is 2
    mul5_random(s.mul5, 0, 1, 1, s.mul5_seed);
    s.coordinate_spread[1] = 1.0;  // variable 2 is in the zero region
    MinstdRandom minstd_replay = s.minstd;
    Mul5Random mul5_replay = s.mul5;
    float ignored = 0.0f;
    for (int n = 0; n < 3 * 2 * 2; ++n) minstd_random(minstd_replay, ignored);
    for (int n = 0; n < 3 * 2; ++n) mul5_random(mul5_replay, 0, 1, 0, 0.0);
    if (c.mutation_mode == 2) {
      for (std::int32_t k = 1; k <= 3; ++k) s.parent_table[k][2] = 0.0;  // best(2) is 1
    }
    bool stopped = true;
    ASSERT_TRUE(run_step(bench, stopped).ok());
    EXPECT_EQ(s.minstd.state, minstd_replay.state) << "mode " << c.mutation_mode;
    EXPECT_EQ(s.mul5.state, mul5_replay.state) << "mode " << c.mutation_mode;
  }
}

TEST(Offspring, NearConvergenceAZeroRegionMutationSwitchesTheWorkingValues) {
  // Every variable mutates; the second one has no spread and no deviation.
  struct Case {
    double degree_of_difference;
    double zero_threshold_left;
    double local_move_probability_left;
  };
  const Case cases[] = {{1.0, widened(1e-7f), widened(0.5f)}, {5.0, widened(1e-9f), widened(0.9f)}};
  for (const Case& c : cases) {
    SearchBench bench;
    ASSERT_TRUE(set_up_offspring_step(bench, "sphere"));
    SearchState& s = bench.state;
    s.current_mutation_threshold = 0.0;
    s.coordinate_spread[1] = 1.0;
    s.mean_deviation[1] = 1.0;
    s.degree_of_difference = c.degree_of_difference;
    s.current_zero_threshold = 3.0;  // working values left by an earlier step
    s.current_local_move_probability = 3.0;
    bool stopped = true;
    ASSERT_TRUE(run_step(bench, stopped).ok());
    EXPECT_EQ(s.current_zero_threshold, c.zero_threshold_left) << c.degree_of_difference;
    EXPECT_EQ(s.current_local_move_probability, c.local_move_probability_left)
        << c.degree_of_difference;
  }
}

// Every variable of every child mutates by a local move of step 1 (its spread;
// no refinement draw), so each variable draws r1, r4, the move draw u and r2,
// in that order. The uniform source decides where u comes from: with 2 it is
// mul5_random's, and minstd_random makes no draw for it.
TEST(Offspring, MoveDrawComesFromTheUniformSourceChosen) {
  struct Case {
    std::int32_t uniform_source;
    int minstd_draws;  // a variable
    bool u_from_mul5;
  };
  for (const Case c : {Case{1, 4, false}, Case{2, 3, true}}) {
    SCOPED_TRACE(c.uniform_source);
    SearchBench bench;
    ASSERT_TRUE(set_up_offspring_step(bench, "sphere"));
    SearchState& s = bench.state;
    s.uniform_source = c.uniform_source;
    s.current_mutation_threshold = 0.0;  // every draw exceeds it
    s.local_move_probability = 2.0;      // no draw exceeds it: every move is local
    s.degree_of_difference = 100.0;      // far from convergence
    s.coordinate_spread[1] = s.coordinate_spread[2] = 1.0;
    s.minstd.state = test_support::minstd_state_before(1234567890);
    mul5_random(s.mul5, 0, 1, 1, s.mul5_seed);

    // The whole step replayed from the same states: three children of two
    // variables, the first child's values kept.
    MinstdRandom minstd = s.minstd;
    Mul5Random mul5 = s.mul5;
    const double inherited[3] = {0.0, 2.0, 1.0};  // the best vector, and every parent
    double first_child[3] = {};
    for (int child = 1; child <= 3; ++child) {
      for (std::int32_t i = 1; i <= 2; ++i) {
        float draws[4] = {};
        for (int n = 0; n < c.minstd_draws; ++n) minstd_random(minstd, draws[n]);
        const double u = c.u_from_mul5 ? mul5_random(mul5, 0, 1, 0, 0.0) : draws[2];
        if (child == 1) first_child[i] = inherited[i] + (2 * u - 1) * 1.0;
      }
    }

    bool stopped = true;
    ASSERT_TRUE(run_step(bench, stopped).ok());
    ASSERT_FALSE(stopped);
    EXPECT_EQ(s.minstd.state, minstd.state);
    EXPECT_EQ(s.mul5.state, mul5.state);
    const std::vector<std::vector<double>> calls = model_calls(bench.scratch);
    ASSERT_EQ(calls.size(), 3u);
    ASSERT_EQ(calls[0].size(), 2u);
    // The work file holds 15 significant digits.
    EXPECT_NEAR(calls[0][0], first_child[1], 1e-13);
    EXPECT_NEAR(calls[0][1], first_child[2], 1e-13);
  }
}

TEST(Offspring, DivideKeyShowsTheNewScale) {
  SearchBench bench("9");
  ASSERT_TRUE(set_up_offspring_step(bench, "sphere"));
  bool stopped = true;
  ASSERT_TRUE(run_step(bench, stopped).ok());
  EXPECT_FALSE(stopped);
  EXPECT_EQ(bench.state.search_scale, 1.0);
  EXPECT_NE(bench.console_output().find("To Division By 10"), std::string::npos);
  EXPECT_EQ(model_runs(bench), 3u);
}

TEST(OffspringMoves, IntegerGlobalMoveIsAWholeNumberFromOneBelowTheRangeToItsTop) {
  struct Case {
    double lo, hi, u, expected;
  };
  const Case cases[] = {
      {1, 5, 0.01, 0}, {1, 5, 0.2, 1},
      {1, 5, 0.99, 4}, {1, 5, 1.0, 5},  // the rare draw of exactly 1
      {0, 4, 0.1, 0},                   // -0.5 truncates toward zero
      {0, 4, 0.25, 0}, {0, 4, 0.45, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(integer_global_move(c.lo, c.hi, c.u), c.expected)
        << "[" << c.lo << ", " << c.hi << "] u = " << c.u;
  }
}

TEST(OffspringMoves, ContinuousGlobalMoveDependsOnScaleAndR3) {
  const double bound = widened(1.1f);
  // Above the bound always a fresh draw, whatever r3.
  EXPECT_EQ(continuous_global_move(7.0, 2.0, 6.0, 0.25, 0.1f, 10.0, bound), 3.0);
  EXPECT_EQ(continuous_global_move(7.0, 2.0, 6.0, 0.25, 0.5f, 1.0, bound), 3.0);
  // At or below it, r3 < 0.5 perturbs the inherited value by up to half the range times the scale.
  EXPECT_EQ(continuous_global_move(7.0, 2.0, 6.0, 1.0, 0.1f, 1.0, bound), 9.0);
  EXPECT_EQ(continuous_global_move(7.0, 2.0, 6.0, 0.0, 0.1f, 0.1, bound), 7.0 - 0.2);
  EXPECT_EQ(continuous_global_move(7.0, 2.0, 6.0, 0.25, 0.1f, bound, bound),
            7.0 - 2.0 * bound * 0.5);
}

TEST(OffspringMoves, LocalMoveGoesUpToOneStepEitherWayAndTruncatesWholeValues) {
  EXPECT_EQ(local_move(3.25, 0.5, 8.0, false), 3.25);
  EXPECT_EQ(local_move(3.0, 0.75, 2.0, false), 4.0);
  EXPECT_EQ(local_move(0.0, 0.25, 3.0, true), -1.0);  // -1.5 toward zero
  EXPECT_EQ(local_move(2.0, 0.9, 1.0, true), 2.0);    // 2.8
}

}  // namespace
}  // namespace genopt
