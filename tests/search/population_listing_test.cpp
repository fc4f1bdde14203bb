#include "search/population_listing.h"

#include <gtest/gtest.h>

#include <string>

#include "support/search_fixture.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::SearchBench;
using text::cp1251;

const std::string ranges_heading =
    " " + std::string(cp1251<"диапозоны изменения переменных в начальной популяции">) + "\n";
const std::string warm_up_start = " \n " + std::string(cp1251<"ПОПУЛЯЦИЯ НА РАЗГОНЕ">) + "\n";
const std::string coordinates_heading =
    " " + std::string(cp1251<"значения координат вектора поиска ">) + "\n";

std::string objective_line(const char* row, const char* value) {
  return std::string("           ") + row + "  " + std::string(cp1251<"значени">) + "e " +
         std::string(cp1251<"целевой функции -">) + value + "\n";
}

std::string coordinate_line(const char* variable, const char* value) {
  return std::string("           ") + variable + "  " + std::string(cp1251<"переменная -">) +
         value + "\n";
}

void add_row(SearchState& state, double x1, double x2, double stored_objective) {
  Row& row = state.population[++state.generated_count];
  row[1] = x1;
  row[2] = x2;
  row[3] = stored_objective;
}

TEST(PopulationRanges, SmallestAndLargestBesideTheBounds) {
  SearchBench bench;
  ASSERT_TRUE(bench.set_problem(0, {{-2.0, 2.0}, {0.5, 3.0}}));
  add_row(bench.state, 1.5, 0.5, 0.0);
  add_row(bench.state, -0.5, 2.5, 0.0);
  add_row(bench.state, 1.0, 1.0, 0.0);

  report_population_ranges(bench.state, bench.reports.selection);

  EXPECT_EQ(bench.state.pop_min[1], -0.5);
  EXPECT_EQ(bench.state.pop_max[2], 2.5);
  EXPECT_EQ(bench.selection(),
            ranges_heading +
                "           1  MIN  -  -0.500000000000000       MAX -    1.50000000000000     \n"
                "           1  min_ -   -2.00000000000000       max_ -    2.00000000000000     \n"
                "           2  MIN  -   0.500000000000000       MAX -    2.50000000000000     \n"
                "           2  min_ -   0.500000000000000       max_ -    3.00000000000000     \n");
}

TEST(PopulationRanges, NoIndividualLeavesTheStartingValues) {
  SearchBench bench;
  ASSERT_TRUE(bench.set_problem(0, {{0.0, 1.0}}));

  report_population_ranges(bench.state, bench.reports.selection);

  EXPECT_EQ(bench.selection(),
            ranges_heading +
                "           1  MIN  -   1.000000000000000E+030  MAX -  -1.000000000000000E+030\n"
                "           1  min_ -   0.000000000000000E+000  max_ -    1.00000000000000     \n");
}

TEST(WarmUpPopulation, ValuesInTheRelativeModeAreScaled) {
  SearchBench bench;
  ASSERT_TRUE(bench.set_problem(0, {{-50.0, 50.0}, {-50.0, 50.0}}));
  bench.state.relative_mode = 1;
  bench.state.range_scale[1] = 0.5;
  bench.state.range_scale[2] = 2.0;
  bench.state.range_centre[1] = 100.0;  // the listing shows the offset from the centre
  bench.state.population_size = 500;
  add_row(bench.state, 3.0, -4.0, -7.25);

  list_warm_up_population(bench.state, bench.reports.selection);

  EXPECT_EQ(bench.selection(), warm_up_start + objective_line("1", "  -7.25000000000000     ") +
                                   coordinates_heading +
                                   coordinate_line("1", "   1.50000000000000     ") +
                                   coordinate_line("2", "  -8.00000000000000     "));
  EXPECT_EQ(bench.state.population_size, 10);
  EXPECT_EQ(bench.state.generated_count, 1);
}

TEST(WarmUpPopulation, FractionsOfTheRangeRunFromZeroToOne) {
  SearchBench bench;
  ASSERT_TRUE(bench.set_problem(0, {{2.0, 6.0}, {-1.0, 1.0}}));
  bench.state.coordinate_print_mode = 0;
  add_row(bench.state, 2.0, 1.0, 4.0);
  add_row(bench.state, 6.0, -1.0, 5.0);

  list_warm_up_population(bench.state, bench.reports.selection);

  EXPECT_EQ(bench.selection(),
            warm_up_start + objective_line("1", "   4.00000000000000     ") + coordinates_heading +
                coordinate_line("1", "  0.000000000000000E+000") +
                coordinate_line("2", "   1.00000000000000     ") +
                objective_line("2", "   5.00000000000000     ") + coordinates_heading +
                coordinate_line("1", "   1.00000000000000     ") +
                coordinate_line("2", "  0.000000000000000E+000"));
}

TEST(WarmUpPopulation, NoIndividualGivesTheHeadingOnly) {
  SearchBench bench;
  ASSERT_TRUE(bench.set_problem(0, {{0.0, 1.0}}));

  list_warm_up_population(bench.state, bench.reports.selection);

  EXPECT_EQ(bench.selection(), warm_up_start);
  EXPECT_EQ(bench.state.population_size, 10);
}

}  // namespace
}  // namespace genopt
