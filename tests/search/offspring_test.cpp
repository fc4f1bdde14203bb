#include "search/offspring.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "support/scratch_directory.h"

namespace genopt {
namespace {

using test_support::ScratchDirectory;

std::size_t line_count(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// One offspring step over a model in a scratch directory, with the keys of
// `script` answering the keyboard polls one by one. Two variables on [0, 4),
// three rows: the best vector and every parent are (2, 1), so that an
// unmutated child is that point; the rows held differ from it.
class OffspringStep {
 public:
  explicit OffspringStep(std::string_view model, std::string_view script = {}) {
    directory.install_model(model);
    directory.write("model_calls.txt", "");
    directory.write("&_in_gen.txt", test_support::settings_text(0, 100, 100, {{0, 4}, {0, 4}}));
    directory.write("keys", script);
    EXPECT_EQ(work_file.open(), 0);
    input_fd = ::open("keys", O_RDONLY);
    output_fd = ::open("console", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    console = std::make_unique<Console>(input_fd, output_fd);
    context = std::make_unique<SearchContext>(SearchContext{*state, exchange, reports, *console});

    SearchState& s = *state;
    s.variable_count = 2;
    s.constraint_count = 4;
    s.population_size = 3;
    s.current_mutation_threshold = 2.0;  // no draw exceeds it: children are not mutated
    const double held[4][3] = {{}, {0.0, 0.0, 0.5}, {0.0, 3.0, 0.75}, {3.0, 3.0, 100.0}};
    for (std::int32_t i = 1; i <= 2; ++i) {
      s.lower_bound[i] = 0.0;
      s.upper_bound[i] = 4.0;
      s.best_vector[i] = i == 1 ? 2.0 : 1.0;
      for (std::int32_t k = 1; k <= 3; ++k) s.parent_table[k][i] = s.best_vector[i];
    }
    for (std::int32_t k = 1; k <= 3; ++k) {
      for (std::int32_t column = 1; column <= 3; ++column)
        s.intermediate[k][column] = held[k][column - 1];
    }
  }
  ~OffspringStep() {
    console.reset();
    ::close(input_fd);
    ::close(output_fd);
  }

  Outcome run(bool& stopped) { return make_offspring(*context, stopped); }
  std::size_t model_runs() const { return line_count(directory.read("model_calls.txt")); }

  ScratchDirectory directory;
  std::unique_ptr<SearchState> state = std::make_unique<SearchState>();
  WorkFile work_file;
  ModelExchange exchange{work_file};
  ReportFiles reports;
  int input_fd = -1;
  int output_fd = -1;
  std::unique_ptr<Console> console;
  std::unique_ptr<SearchContext> context;
};

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
    OffspringStep step("sphere", c.script);
    const MinstdRandom untouched = step.state->minstd;
    bool stopped = !c.stopped;
    ASSERT_TRUE(step.run(stopped).ok());
    EXPECT_EQ(stopped, c.stopped) << c.script;
    EXPECT_EQ(step.model_runs(), c.model_runs) << c.script;
    EXPECT_EQ(step.state->N_model_calls, static_cast<std::int32_t>(c.model_runs)) << c.script;
    if (c.script == "1") {
      EXPECT_EQ(step.state->minstd.state, untouched.state);  // not even r1 was drawn
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
    OffspringStep step("sphere");
    step.state->objective_sense = c.objective_sense;
    bool stopped = true;
    ASSERT_TRUE(step.run(stopped).ok());
    EXPECT_FALSE(stopped);
    EXPECT_EQ(step.model_runs(), 3u);
    const Table& rows = step.state->intermediate;
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
  OffspringStep step("constrained");
  // The model reads other bounds than the search's, so every child breaks one.
  step.directory.write("&_in_gen.txt", test_support::settings_text(0, 100, 100, {{5, 6}, {5, 6}}));
  const Table before = step.state->intermediate;
  bool stopped = true;
  ASSERT_TRUE(step.run(stopped).ok());
  EXPECT_EQ(step.model_runs(), 3u);
  EXPECT_EQ(step.state->N_activations, 3);
  for (std::int32_t k = 1; k <= 3; ++k) {
    for (std::int32_t column = 1; column <= 3; ++column) {
      EXPECT_EQ(step.state->intermediate[k][column], before[k][column]);
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
    OffspringStep step("sphere");
    SearchState& s = *step.state;
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
    ASSERT_TRUE(step.run(stopped).ok());
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
    OffspringStep step("sphere");
    SearchState& s = *step.state;
    s.current_mutation_threshold = 0.0;
    s.coordinate_spread[1] = 1.0;
    s.mean_deviation[1] = 1.0;
    s.degree_of_difference = c.degree_of_difference;
    s.current_zero_threshold = 3.0;  // working values left by an earlier step
    s.current_local_move_probability = 3.0;
    bool stopped = true;
    ASSERT_TRUE(step.run(stopped).ok());
    EXPECT_EQ(s.current_zero_threshold, c.zero_threshold_left) << c.degree_of_difference;
    EXPECT_EQ(s.current_local_move_probability, c.local_move_probability_left)
        << c.degree_of_difference;
  }
}

TEST(Offspring, DivideKeyShowsTheNewScale) {
  OffspringStep step("sphere", "9");
  bool stopped = true;
  ASSERT_TRUE(step.run(stopped).ok());
  EXPECT_FALSE(stopped);
  EXPECT_EQ(step.state->search_scale, 1.0);
  EXPECT_NE(step.directory.read("console").find("To Division By 10"), std::string::npos);
  EXPECT_EQ(step.model_runs(), 3u);
}

TEST(OffspringMoves, IntegerGlobalMove) {
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

TEST(OffspringMoves, LocalMove) {
  EXPECT_EQ(local_move(3.25, 0.5, 8.0, false), 3.25);
  EXPECT_EQ(local_move(3.0, 0.75, 2.0, false), 4.0);
  EXPECT_EQ(local_move(0.0, 0.25, 3.0, true), -1.0);  // -1.5 toward zero
  EXPECT_EQ(local_move(2.0, 0.9, 1.0, true), 2.0);    // 2.8
}

}  // namespace
}  // namespace genopt
