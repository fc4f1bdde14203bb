#include "search/tournament.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "report/report_files.h"
#include "state/search_state.h"
#include "support/minstd_states.h"
#include "support/scratch_directory.h"
#include "text/code_page.h"
#include "text/messages.h"

namespace genopt {
namespace {

constexpr std::int64_t draw_of_one = 2147483646;   // 1.0 after rounding to single
constexpr std::int64_t draw_of_half = 1073741824;  // exactly 0.5
constexpr std::int64_t draw_of_3_4 = 1610612736;   // exactly 0.75
constexpr std::int64_t draw_of_smallest = 1;       // 2^-31

// N = 1; population row k holds coordinate k, so a copied row shows where it
// came from, and stored objective 0. One slot, won by a single draw.
std::unique_ptr<SearchState> single_draw_state(std::int32_t population_rows) {
  auto state = std::make_unique<SearchState>();
  state->variable_count = 1;
  for (std::int32_t k = 1; k <= population_rows; ++k) {
    state->population[k][1] = k;
    state->population[k][2] = 0.0;
  }
  state->population_size = 2;
  state->tournament_size = 1;
  return state;
}

TEST(Tournament, DrawsFromTheGeneratedRowsInIterationOneAndFromTheWorkingSizeLater) {
  const struct {
    std::int32_t iteration;
    std::int32_t generated_count;
    std::int64_t next_state;
    std::int32_t expected_row;
  } cases[] = {
      {1, 300, draw_of_half, 151}, {2, 300, draw_of_half, 6},
      {1, 300, draw_of_one, 300},  // a draw of exactly 1.0 picks the last row, never 301
      {2, 300, draw_of_one, 10},   {2, 300, draw_of_smallest, 1},
      {1, 0, draw_of_one, 1},  // nothing generated: every draw gives row 1
      {1, 0, draw_of_half, 1},
  };
  for (const auto& c : cases) {
    auto state = single_draw_state(300);
    state->iteration = c.iteration;
    state->generated_count = c.generated_count;
    state->minstd.state = test_support::minstd_state_before(c.next_state);
    ReportFiles reports;
    run_tournaments(*state, reports);
    const std::int32_t expected_available = c.iteration == 1 ? c.generated_count : 10;
    EXPECT_EQ(state->available_count, expected_available) << c.iteration << " " << c.next_state;
    EXPECT_EQ(state->intermediate[2][1], c.expected_row) << c.iteration << " " << c.next_state;
    EXPECT_EQ(state->intermediate[1][1], 1.0);  // row 1 is always population row 1
  }
}

TEST(Tournament, SmallerObjectiveWinsAndTieGoesToTheSecondDraw) {
  // Among 10 rows the two draws are 0.2500176 (row 3), then 0.6000088 (row 7).
  const struct {
    double objective_3;
    double objective_7;
    double expected_row;
  } cases[] = {{1.0, 2.0, 3.0}, {2.0, 1.0, 7.0}, {1.0, 1.0, 7.0}, {-0.0, 0.0, 7.0}};
  for (const auto& c : cases) {
    auto state = single_draw_state(10);
    state->tournament_size = 2;
    state->iteration = 2;
    state->population[3][2] = c.objective_3;
    state->population[7][2] = c.objective_7;
    state->minstd.state = test_support::minstd_state_before(536908727);
    ReportFiles reports;
    run_tournaments(*state, reports);
    EXPECT_EQ(state->intermediate[2][1], c.expected_row) << c.objective_3 << " " << c.objective_7;
    EXPECT_EQ(state->minstd.state, 1288509021);  // exactly two draws were made
  }
}

TEST(Tournament, DegreeOfDifferenceIsThePercentOfTheMeanFromTheBest) {
  // Row 1 is the best b; the one slot is won by row 2 (a draw of 0.75 among 2).
  const double infinity = std::numeric_limits<double>::infinity();
  const struct {
    double best;
    double second;
    double expected_degree;
  } cases[] = {
      {-5.0, -3.0, 25.0},                        // mean -4
      {7.0, 7.0, 0.0},       {4.0, 12.0, 50.0},  // mean 8
      {0.0, 0.0, 0.0},                           // mean 0 and best 0: no difference
      {-1.0, 1.0, infinity},                     // mean 0 with a non-zero best
      {2.0, -2.0, infinity},
  };
  for (const auto& c : cases) {
    auto state = single_draw_state(2);
    state->iteration = 2;
    state->working_size = 2;
    state->population[1][2] = c.best;
    state->population[2][2] = c.second;
    state->minstd.state = test_support::minstd_state_before(draw_of_3_4);
    ReportFiles reports;
    run_tournaments(*state, reports);
    EXPECT_EQ(state->intermediate[2][1], 2.0);
    EXPECT_EQ(state->degree_of_difference, c.expected_degree) << c.best << " " << c.second;
  }
}

TEST(Tournament, SpreadIsTheRangeOfEachCoordinateAndConvergenceTheirMean) {
  auto state = single_draw_state(2);
  state->variable_count = 2;
  state->iteration = 2;
  state->working_size = 2;
  state->population[1] = {0.0, 1.0, 10.0, 0.0};
  state->population[2] = {0.0, 4.0, -2.0, 0.0};
  state->minstd.state = test_support::minstd_state_before(draw_of_3_4);
  ReportFiles reports;
  run_tournaments(*state, reports);
  EXPECT_EQ(state->coordinate_spread[1], 3.0);
  EXPECT_EQ(state->coordinate_spread[2], 12.0);
  EXPECT_EQ(state->convergence_parameter, 7.5);
}

TEST(Tournament, IdenticalRowsGiveNoSpreadAndNoDifference) {
  auto state = std::make_unique<SearchState>();
  state->variable_count = 2;
  state->population_size = 10;
  state->iteration = 2;
  state->coordinate_spread[1] = state->coordinate_spread[2] = 99.0;
  for (std::int32_t k = 1; k <= 10; ++k) state->population[k] = {0.0, 2.5, -1.0, 3.0};
  ReportFiles reports;
  run_tournaments(*state, reports);
  for (std::int32_t k = 1; k <= 10; ++k) EXPECT_EQ(state->intermediate[k][3], 3.0) << k;
  EXPECT_EQ(state->coordinate_spread[1], 0.0);
  EXPECT_EQ(state->coordinate_spread[2], 0.0);
  EXPECT_EQ(state->convergence_parameter, 0.0);
  EXPECT_EQ(state->degree_of_difference, 0.0);
}

TEST(TournamentTrace, ListsTheArrayBeforeRankingWithItsMeasures) {
  test_support::ScratchDirectory scratch;
  auto state = single_draw_state(2);
  state->iteration = 2;
  state->working_size = 2;
  state->trace_intermediate = 1;
  state->population[1] = {0.0, 1.0, -5.0};
  state->population[2] = {0.0, 4.0, -3.0};
  state->minstd.state = test_support::minstd_state_before(draw_of_3_4);
  ReportFiles reports;
  ASSERT_TRUE(reports.open(state->trace_intermediate, state->trace_iterations).ok());
  run_tournaments(*state, reports);
  ASSERT_TRUE(reports.flush().ok());
  // The degree heading is too long to share its line with the value.
  const std::string expected(
      text::cp1251<" \n"
                   "           2  итерация\n"
                   " ПРОМЕЖ_ФАЙЛ до ранжирования\n"
                   " \n"
                   "           1  значениe целевой функции -  -5.00000000000000     \n"
                   " значения координат вектора поиска \n"
                   "           1  переменная -   1.00000000000000     \n"
                   "           2  значениe целевой функции -  -3.00000000000000     \n"
                   " значения координат вектора поиска \n"
                   "           1  переменная -   4.00000000000000     \n"
                   "           2  итерация\n"
                   " степень отличия элементов промеж. массива от лучшего решения\n"
                   "   25.0000000000000       процентов\n"
                   " значение параметра области сходимости -   3.00000000000000     \n">);
  EXPECT_EQ(scratch.read_text(text::trace_before_file_name), expected);
  EXPECT_EQ(scratch.read(text::trace_after_file_name), "");
}

}  // namespace
}  // namespace genopt
