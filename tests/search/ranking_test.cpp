#include "search/ranking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "report/report_files.h"
#include "state/search_state.h"
#include "support/scratch_directory.h"
#include "text/code_page.h"
#include "text/messages.h"

namespace genopt {
namespace {

// N = 1; intermediate row k holds coordinate k, so a ranked row shows where
// it came from, and the given stored objective.
std::unique_ptr<SearchState> state_with_objectives(const std::vector<double>& objectives) {
  auto state = std::make_unique<SearchState>();
  state->variable_count = 1;
  state->population_size = static_cast<std::int32_t>(objectives.size());
  for (std::int32_t k = 1; k <= state->population_size; ++k) {
    state->intermediate[k][1] = k;
    state->intermediate[k][2] = objectives[k - 1];
  }
  return state;
}

std::vector<double> origins(const SearchState& state) {
  std::vector<double> rows;
  for (std::int32_t k = 1; k <= state.population_size; ++k)
    rows.push_back(state.intermediate[k][1]);
  return rows;
}

TEST(Ranking, AscendingAndStableWithANotANumberNeverMoving) {
  const double nan = std::nan("");
  const struct {
    std::vector<double> objectives;
    std::vector<double> expected_origins;
  } cases[] = {
      {{3.0, 1.0, 3.0, 1.0}, {2.0, 4.0, 1.0, 3.0}},
      {{5.0, 4.0, 3.0, 2.0, 1.0}, {5.0, 4.0, 3.0, 2.0, 1.0}},
      {{2.0, nan, 1.0}, {1.0, 2.0, 3.0}},
      {{7.0}, {1.0}},
  };
  for (const auto& c : cases) {
    auto state = state_with_objectives(c.objectives);
    ReportFiles reports;
    rank_intermediate(*state, reports);
    EXPECT_EQ(origins(*state), c.expected_origins) << c.objectives.size();
  }
}

TEST(Ranking, RankedRowsBecomeTheParentsAndRowOneTheBestVector) {
  auto state = state_with_objectives({4.0, -1.0, 2.0});
  state->variable_count = 2;
  for (std::int32_t k = 1; k <= 3; ++k) {
    state->intermediate[k][3] = state->intermediate[k][2];
    state->intermediate[k][2] = 10.0 * k;
  }
  ReportFiles reports;
  rank_intermediate(*state, reports);
  for (std::int32_t k = 1; k <= 3; ++k) {
    for (std::int32_t column = 1; column <= 3; ++column) {
      EXPECT_EQ(state->parent_table[k][column], state->intermediate[k][column]) << k;
    }
  }
  EXPECT_EQ(state->best_vector[1], 2.0);
  EXPECT_EQ(state->best_vector[2], 20.0);
  EXPECT_EQ(state->intermediate[1][3], -1.0);
}

TEST(Ranking, AcceptedChildMovesUpButLeavesParentsAndBestVectorAlone) {
  auto state = state_with_objectives({1.0, 2.0, 3.0});
  ReportFiles reports;
  rank_intermediate(*state, reports);
  // A child equal to the best value enters the worst row; it must not displace row 1.
  state->intermediate[3] = {0.0, 9.0, 1.0};
  rerank_intermediate(*state);
  EXPECT_EQ(origins(*state), (std::vector<double>{1.0, 9.0, 2.0}));
  EXPECT_EQ(state->parent_table[2][1], 2.0);
  EXPECT_EQ(state->parent_table[3][1], 3.0);
  EXPECT_EQ(state->best_vector[1], 1.0);

  carry_to_population(*state);
  EXPECT_EQ(state->population[2][1], 9.0);
  EXPECT_EQ(state->population[2][2], 1.0);
}

TEST(CoincidingCount, CountsEqualNeighboursByBlocks) {
  const struct {
    std::vector<double> objectives;
    std::int32_t expected;
  } cases[] = {
      {{1.0, 2.0, 2.0, 2.0, 5.0}, 3},
      {{1.0, 1.0, 2.0, 2.0}, 3},  // two blocks of two give 3, not 4
      {{4.0, 4.0}, 2},
      {{5.0, 2.0, 5.0}, 2},  // equal values meet only once ranked
      {{1.0, 2.0, 3.0}, 0},
      {{7.0}, 0},
  };
  for (const auto& c : cases) {
    auto state = state_with_objectives(c.objectives);
    state->coinciding_count = -1;
    ReportFiles reports;
    rank_intermediate(*state, reports);
    EXPECT_EQ(state->coinciding_count, c.expected) << c.objectives.size();
  }
}

TEST(CoincidingChild, HeldWhenSomeRowMatchesInEveryCoordinate) {
  auto state = std::make_unique<SearchState>();
  state->variable_count = 2;
  state->population_size = 3;
  state->intermediate[1] = {0.0, 1.0, 2.0, 1.0};
  state->intermediate[2] = {0.0, 3.0, 4.0, 2.0};
  state->intermediate[3] = {0.0, 5.0, 6.0, 3.0};
  const struct {
    Row child;
    bool held;
  } cases[] = {
      {{0.0, 5.0, 6.0, 9.0}, true},  // the worst row, whatever its objective
      {{0.0, 1.0, 2.0, 1.0}, true},
      {{0.0, -0.0, 0.0}, false},
      {{0.0, 5.0, std::nextafter(6.0, 7.0), 3.0}, false},  // one coordinate by the least amount
      {{0.0, 3.0, 2.0, 1.0}, false},  // each coordinate held, but not in one row
  };
  for (const auto& c : cases) {
    EXPECT_EQ(holds_coordinates(*state, c.child), c.held) << c.child[1] << " " << c.child[2];
  }
  state->intermediate[2] = {0.0, -0.0, 0.0, 2.0};
  EXPECT_TRUE(holds_coordinates(*state, {0.0, 0.0, -0.0, 7.0}));  // -0 equals 0
}

TEST(RankingTrace, ListsTheRankedArrayWithItsSizeAndCoincidingCount) {
  test_support::ScratchDirectory scratch;
  auto state = state_with_objectives({-3.0, -5.0});
  state->intermediate[1][1] = 4.0;
  state->iteration = 2;
  state->trace_intermediate = 1;
  ReportFiles reports;
  ASSERT_TRUE(reports.open(state->trace_intermediate, state->trace_iterations).ok());
  rank_intermediate(*state, reports);
  ASSERT_TRUE(reports.flush().ok());
  const std::string expected(
      text::cp1251<" \n"
                   "           2  итерация\n"
                   " ПРОМЕЖ_ФАЙЛ после ранжирования\n"
                   " \n"
                   " В ПРОМЕЖУТОЧНОМ массиве размером            2  единиц\n"
                   "           0  совнадающих  решений (по блокам)\n"
                   " \n"
                   "           1  значениe целевой функции -  -5.00000000000000     \n"
                   " значения координат вектора поиска \n"
                   "           1  переменная -   2.00000000000000     \n"
                   "           2  значениe целевой функции -  -3.00000000000000     \n"
                   " значения координат вектора поиска \n"
                   "           1  переменная -   4.00000000000000     \n">);
  EXPECT_EQ(scratch.read_text(text::trace_after_file_name), expected);
  EXPECT_EQ(scratch.read(text::trace_before_file_name), "");
}

}  // namespace
}  // namespace genopt
