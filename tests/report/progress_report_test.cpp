// The progress pair and the final results, byte for byte as front ends read them.

#include "report/progress_report.h"

#include <gtest/gtest.h>

#include "search/search_loop.h"
#include "support/cp1251.h"
#include "support/search_fixture.h"

namespace genopt {
namespace {

using test_support::cp1251_of;

class ProgressReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_->trace_iterations = 1;
    ASSERT_TRUE(bench_.set_problem(1, {{-5.0, 5.0}, {-5.0, 5.0}}));
    Row& best = state_->intermediate[1];
    best[1] = 0.5;
    best[2] = -2.0;
    best[3] = 1.25;
    state_->evaluation.N_model_calls = 2362;
    state_->evaluation.N_activations = 768;
    state_->evaluation.act_count[4] = 1;
    state_->evaluation.act_count[5] = 767;
  }

  test_support::SearchBench bench_;
  SearchState* const state_ = &bench_.state;
  ReportFiles& reports_ = bench_.reports;
};

TEST_F(ProgressReportTest, FinalResultsEndWithTheCountersThatTheIterationsFileRepeats) {
  write_final_results(*state_, reports_);
  ASSERT_TRUE(reports_.flush().ok());
  const std::string counters = cp1251_of(" обращений к модели -") + "        2362\n" + " \n" +
                               cp1251_of(" количество активаций ограничений ") + "         768\n" +
                               cp1251_of(
                                   "ограничение №    1 -         0 нарушений\n"
                                   "ограничение №    2 -         0 нарушений\n"
                                   "ограничение №    3 -         0 нарушений\n"
                                   "ограничение №    4 -         1 нарушений\n"
                                   "ограничение №    5 -       767 нарушений\n") +
                               " \n";
  const std::string expected = " \n \n" + cp1251_of(" значение целевой функции -") +
                               "   1.25000000000000     \n" +
                               cp1251_of(
                                   " оптимальные значения в РЕАЛЬНОМ диапозоне\n"
                                   "           1  КООРДИНАТА -  0.500000000000000     \n"
                                   "           2  КООРДИНАТА -  -2.00000000000000     \n"
                                   " \n"
                                   " оптимальные значения в ОТНОСИТЕЛЬНОМ диапозоне\n"
                                   "           1  КООРДИНАТА -  0.550000000000000     \n"
                                   "           2  КООРДИНАТА -  0.300000000000000     \n"
                                   " \n") +
                               counters;
  EXPECT_EQ(bench_.scratch.read_text("z_result.txt"), expected);
  EXPECT_EQ(bench_.scratch.read_text("z_РЕЗУЛ_итер   3 (20).txt"), counters);
}

TEST_F(ProgressReportTest, PopulationReportListsEveryRowUnderItsIteration) {
  state_->iteration = 7;
  state_->population_size = 2;
  Row& second = state_->intermediate[2];
  second[1] = 1.0;
  second[2] = 4.5;
  second[3] = 30.25;
  write_population_report(*state_, reports_);
  ASSERT_TRUE(reports_.flush().ok());
  // "значениe" with a Latin "e", as the front ends read it.
  EXPECT_EQ(
      bench_.scratch.read_text("z_РЕЗУЛ_итер   3 (20).txt"),
      cp1251_of(" \n"
                "           7  ИТЕРАЦИЯ - популяция (результаты оптимизации)\n"
                "           1  решение(особь), значениe целевой функции -   1.25000000000000     \n"
                " значения координат вектора поиска \n"
                "           1  КООРДИНАТА -  0.500000000000000     \n"
                "           2  КООРДИНАТА -  -2.00000000000000     \n"
                "           2  решение(особь), значениe целевой функции -   30.2500000000000     \n"
                " значения координат вектора поиска \n"
                "           1  КООРДИНАТА -   1.00000000000000     \n"
                "           2  КООРДИНАТА -   4.50000000000000     \n"));
}

TEST_F(ProgressReportTest, RelativeModeReportsRealCoordinates) {
  state_->trace_iterations = 0;
  state_->relative_mode = 1;
  state_->range_centre[1] = 3.0;
  state_->range_scale[1] = 0.02;
  state_->intermediate[1][1] = -50.0;
  write_final_results(*state_, reports_);
  ASSERT_TRUE(reports_.flush().ok());
  EXPECT_NE(bench_.scratch.read_text("z_result.txt")
                .find(cp1251_of("           1  КООРДИНАТА -   2.00000000000000     \n")),
            std::string::npos);
}

TEST_F(ProgressReportTest, FirstIterationWritesBothPairsThenEachFollowsItsPeriod) {
  state_->convergence_parameter = 0.05;
  state_->console_report_period = 0;
  state_->file_report_period = 2;
  state_->iteration = 1;
  const ProgressDue first = take_progress_due(*state_);
  EXPECT_TRUE(first.file && first.console);
  report_progress(*state_, first, reports_, bench_.console);
  for (state_->iteration = 2; state_->iteration <= 5; ++state_->iteration) {
    ++state_->console_report_counter;
    ++state_->file_report_counter;
    const ProgressDue due = take_progress_due(*state_);
    EXPECT_EQ(due.file, state_->iteration % 2 == 1);
    report_progress(*state_, due, reports_, bench_.console);
  }
  ASSERT_TRUE(reports_.flush().ok());
  const std::string file_pair_1 =
      "           1 " + cp1251_of(" итерация  значение целевой функции -") +
      "   1.25000000000000     \n" + cp1251_of(" значение параметра области сходимости -") +
      "  5.000000000000000E-002\n";
  const std::string result = bench_.scratch.read_text("z_result.txt");
  EXPECT_EQ(result.rfind(file_pair_1, 0), 0u) << result;
  EXPECT_NE(result.find("           3 "), std::string::npos);
  EXPECT_NE(result.find("           5 "), std::string::npos);
  EXPECT_EQ(result.find("           2 "), std::string::npos);
  // A console period of 0: only the first iteration is shown.
  EXPECT_EQ(bench_.console_output(),
            "           1  итерация\u00a0  значение целевой функции -   1.25000000000000     \n"
            " значение параметра области сходимости -  5.000000000000000E-002\n");
}

}  // namespace
}  // namespace genopt
