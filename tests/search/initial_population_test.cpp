#include "search/initial_population.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/model_call_log.h"
#include "support/search_fixture.h"
#include "support/search_path.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::SearchBench;
using text::cp1251;

// The first draws of minstd_random after program start, from their states.
double minstd_draw(double state) { return static_cast<float>(state / 2147483648.0); }

const std::string selection_heading =
    std::string(" ") + std::string(cp1251<"СТАТИСТИЧЕСКИЙ АНАЛИЗ исходной популяции">) + "\n";

std::vector<double> first_column(const SearchState& state) {
  std::vector<double> values;
  for (std::int32_t k = 1; k <= state.generated_count; ++k)
    values.push_back(state.population[k][1]);
  return values;
}

TEST(InitialPopulation, IntegerDrawsMayLeaveTheRangeByOne) {
  struct Case {
    double lower, upper;
    bool integer;
    float r;
    double expected;
  };
  const Case cases[] = {
      {0, 10, true, 0.05f, 0.0},   // -0.45 truncated toward zero
      {1, 10, true, 0.05f, 0.0},   // 0.5: one below the lower bound
      {0, 10, true, 1.0f, 11.0},   // one above the upper bound
      {-10, 0, true, 0.3f, -7.0},  // -7.7 moves up, not down
      {0, 10, true, 0.5f, 5.0},    // 0.5 takes the rule without the subtraction
      {0, 10, false, 1.0f, 10.0},  // a continuous variable reaches its upper bound
      {2, 4, false, 0.25f, 2.5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(draw_coordinate(c.lower, c.upper, c.integer, c.r), c.expected)
        << c.lower << ".." << c.upper << " integer " << c.integer << " r " << c.r;
  }
}

TEST(InitialPopulation, GroupLinesFollowEveryCompletedGroup) {
  SearchBench bench;
  bench.scratch.install_model("sphere");
  ASSERT_TRUE(bench.set_problem(0, {{0.0, 1.0}}));
  bench.state.population_size = 25;

  ASSERT_TRUE(generate_initial_population(bench.context).ok());

  EXPECT_EQ(bench.state.generated_count, 25);
  EXPECT_EQ(bench.state.evaluation.N_model_calls, 25);
  const auto file_group = [](const char* number) {
    return std::string("           ") + number + "  " + std::string(cp1251<"группа">) + "\xA0" +
           std::string(cp1251<"особей (">) + "          10  " +
           std::string(cp1251<"штук) получена">) + "\xA0 \n";
  };
  EXPECT_EQ(bench.scratch.read_text("z_selection.txt"),
            selection_heading + file_group("1") + file_group("2"));
  EXPECT_EQ(bench.console_output(),
            "           1  группа особей (          10  штук)  получена \n"
            "           2  группа особей (          10  штук)  получена \n");
}

TEST(InitialPopulation, StartPointIsRowOneAndTheDrawsGoOnAsWithoutIt) {
  SearchBench bench;
  bench.scratch.install_model("sphere");
  ASSERT_TRUE(bench.set_problem(0, {{0.0, 1.0}, {0.0, 10.0}}));
  bench.state.is_integer[1] = 2;  // only 1 marks a whole-number variable
  bench.state.is_integer[2] = 1;
  bench.state.start_point[1] = 5.0;
  bench.state.start_point[2] = 7.0;
  bench.state.start_point_given = 1;
  bench.state.max_attempts = 2;

  ASSERT_TRUE(generate_initial_population(bench.context).ok());

  // Two individuals of a target of 100 are left in the order found.
  ASSERT_EQ(bench.state.generated_count, 2);
  const Row& start = bench.state.population[1];
  EXPECT_EQ(start[1], 5.0);
  EXPECT_EQ(start[2], 7.0);
  EXPECT_EQ(start[3], 16.0 + 36.0);
  // Attempt 1 took the first two draws although the start point replaced them.
  const Row& drawn = bench.state.population[2];
  EXPECT_EQ(drawn[1], minstd_draw(1291394886.0));
  EXPECT_EQ(drawn[2], 9.0);  // 11 x 0.89161128 truncated
}

TEST(InitialPopulation, MaximisedObjectiveIsStoredNegated) {
  SearchBench bench;
  bench.scratch.install_model("sphere");
  ASSERT_TRUE(bench.set_problem(0, {{0.0, 1.0}}));
  bench.state.objective_sense = 0;
  bench.state.start_point[1] = 4.0;
  bench.state.start_point_given = 1;
  bench.state.max_attempts = 1;

  ASSERT_TRUE(generate_initial_population(bench.context).ok());

  ASSERT_EQ(bench.state.generated_count, 1);
  EXPECT_EQ(bench.state.population[1][2], -9.0);
}

TEST(InitialPopulation, ConstraintValueOfZeroIsFeasible) {
  SearchBench bench;
  bench.scratch.install_model("constrained");
  ASSERT_TRUE(bench.set_problem(1, {{0.0, 1.0}, {0.0, 1.0}}));
  bench.state.start_point[1] = 0.25;  // x1 + x2 - 1 is exactly 0
  bench.state.start_point[2] = 0.75;
  bench.state.start_point_given = 1;
  bench.state.max_attempts = 1;

  ASSERT_TRUE(generate_initial_population(bench.context).ok());

  EXPECT_EQ(bench.state.generated_count, 1);
  EXPECT_EQ(bench.state.population[1][1], 0.25);
}

// With the defaults (target 100, working size 10) more than ten individuals
// are sorted, stably; ten or fewer stay in the order found. Whole values in
// -1..1 under the objective x^2 give ties between -1 and 1.
TEST(InitialPopulation, OnlyMoreThanTheWorkingSizeIsSorted) {
  for (const std::int32_t attempts : {10, 11}) {
    SearchBench bench;
    bench.scratch.install_model("constrained");
    test_support::start_model_call_log(bench.scratch);
    ASSERT_TRUE(bench.set_problem(0, {{-1.0, 1.0}}));
    bench.state.is_integer[1] = 1;
    bench.state.max_attempts = attempts;

    ASSERT_TRUE(generate_initial_population(bench.context).ok());

    std::vector<double> expected;  // the one variable of every candidate, in the order run
    for (const std::vector<double>& call : test_support::model_calls(bench.scratch)) {
      ASSERT_EQ(call.size(), 1u);
      expected.push_back(call[0]);
    }
    ASSERT_EQ(bench.state.generated_count, attempts);
    ASSERT_EQ(static_cast<std::int32_t>(expected.size()), attempts);
    ASSERT_NE(std::count(expected.begin(), expected.end(), -1.0), 0);
    ASSERT_NE(std::count(expected.begin(), expected.end(), 1.0), 0);
    if (attempts > bench.state.working_size) {
      std::stable_sort(expected.begin(), expected.end(),
                       [](double a, double b) { return a * a < b * b; });
    }
    EXPECT_EQ(first_column(bench.state), expected) << attempts << " attempts";
  }
}

TEST(InitialPopulation, ShortfallIsReportedAndTheSearchGoesOnWithWhatWasFound) {
  SearchBench bench;
  bench.scratch.install_model("constrained");
  // x1 + x2 - 1 >= 0: the first draws (0.0000225, 0.085) miss it, (0.601, 0.892) meet it.
  ASSERT_TRUE(bench.set_problem(1, {{0.0, 1.0}, {0.0, 1.0}}));
  bench.state.max_attempts = 2;

  ASSERT_TRUE(generate_initial_population(bench.context).ok());

  EXPECT_EQ(bench.state.generated_count, 1);
  EXPECT_EQ(bench.console_output(),
            " поколение НЕ ГЕНЕРИРУЕТСЯ\u00a0\n"
            " получено всего-лишь            1  особей\n"
            " STOP-pausa\n");
}

// A search from no individual would report a point that no evaluation produced.
TEST(InitialPopulation, NoFeasibleCandidateEndsTheRunAfterTheShortfall) {
  SearchBench bench;
  bench.scratch.install_model("constrained");
  ASSERT_TRUE(bench.set_problem(1, {{0.0, 0.4}, {0.0, 0.4}}));  // x1 + x2 - 1 >= 0 never holds
  bench.state.max_attempts = 3;

  const Outcome outcome = generate_initial_population(bench.context);

  EXPECT_EQ(outcome.failure, Failure::no_feasible_candidate);
  EXPECT_EQ(outcome.failure_count, 3);
  EXPECT_EQ(bench.state.generated_count, 0);
  EXPECT_EQ(bench.state.evaluation.N_model_calls, 3);
  EXPECT_EQ(bench.console_output(),
            " поколение НЕ ГЕНЕРИРУЕТСЯ\u00a0\n"
            " получено всего-лишь            0  особей\n"
            " STOP-pausa\n");
  EXPECT_EQ(bench.scratch.read_text("z_selection.txt"),
            selection_heading + " " + std::string(cp1251<"поколение не генерируется">) + "\n " +
                std::string(cp1251<"сгенерировано всего-лишь ">) + "           0  " +
                std::string(cp1251<"особей">) + "\n");
}

// Attempts drawn ahead side by side: once the population is complete, the
// results beyond it are dropped and the generator stands where the last
// attempt needed left it, so the search goes on as after one run at a time.
TEST(InitialPopulation, AttemptsSideBySideLeaveWhatOneAtATimeLeaves) {
  struct Outcome {
    std::vector<double> first_column;
    std::int32_t model_calls = 0;
    std::int32_t activations = 0;
    double next_draw = 0.0;
  };
  const auto generate = [](std::int32_t jobs) {
    SearchBench bench({}, jobs);
    bench.scratch.install_model("constrained");
    EXPECT_TRUE(bench.set_problem(1, {{-1.5, 1.0}, {-1.5, 1.0}}));
    bench.state.population_size = 12;
    EXPECT_TRUE(generate_initial_population(bench.context).ok());
    float next = 0.0f;
    minstd_random(bench.state.minstd, next);
    return Outcome{first_column(bench.state), bench.state.evaluation.N_model_calls,
                   bench.state.evaluation.N_activations, next};
  };
  const Outcome serial = generate(1);
  ASSERT_GT(serial.activations, 0) << "every attempt was feasible: nothing was drawn ahead in vain";
  for (const std::int32_t jobs : {3, 10}) {
    const Outcome side_by_side = generate(jobs);
    EXPECT_EQ(side_by_side.first_column, serial.first_column) << "jobs " << jobs;
    EXPECT_EQ(side_by_side.model_calls, serial.model_calls) << "jobs " << jobs;
    EXPECT_EQ(side_by_side.activations, serial.activations) << "jobs " << jobs;
    EXPECT_EQ(side_by_side.next_draw, serial.next_draw) << "jobs " << jobs;
  }
}

TEST(InitialPopulation, FailedEvaluationEndsTheGeneration) {
  SearchBench bench;  // no model program here nor on PATH
  const test_support::EmptySearchPath no_models;
  ASSERT_TRUE(bench.set_problem(0, {{0.0, 1.0}}));

  const Outcome outcome = generate_initial_population(bench.context);

  EXPECT_EQ(outcome.failure, Failure::model_start);
  EXPECT_EQ(bench.state.evaluation.N_model_calls, 0);
  EXPECT_EQ(bench.state.generated_count, 0);
}

}  // namespace
}  // namespace genopt
