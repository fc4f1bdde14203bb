// Whole searches through the real binary, a real model and scripted keys.
// The keys are the bytes of standard input: one is taken before every
// variable of every child, so a script of P-1 other bytes and then "1" ends
// the search at poll P.

#include <gtest/gtest.h>

#include <charconv>
#include <string>

#include "support/scratch_directory.h"
#include "support/text_search.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::count_of;
using test_support::ScratchDirectory;
using test_support::stop_at_poll;
using text::cp1251;

// The stored objective that the final results report.
double final_objective(const std::string& result) {
  const std::string label = "\n " + std::string(cp1251<"значение целевой функции -">);
  const std::size_t at = result.find(label);
  if (at == std::string::npos) return -1.0;
  const char* first = result.data() + at + label.size();
  while (*first == ' ') ++first;
  double value = -1.0;
  std::from_chars(first, result.data() + result.size(), value);
  return value;
}

int lines_of(const std::string& text) { return count_of(text, "\n"); }

struct Problem {
  const char* model;
  std::string settings;
};

const Problem sphere{"sphere", "'sphere'\n0\n1 1\n-5 5\n-5 5\n"};

test_support::ProgramRun run_problem(const ScratchDirectory& directory, const Problem& problem,
                                const std::string& keys) {
  directory.install_model(problem.model);
  directory.write("&_in_gen.txt", problem.settings);
  return test_support::run_genopt(keys);
}

TEST(Search, ApproachesTheOptimumOfASphere) {
  ScratchDirectory directory;
  const test_support::ProgramRun run = run_problem(directory, sphere, stop_at_poll(300 * 20));
  ASSERT_EQ(run.exit_status, 0) << run.errors;
  EXPECT_LT(final_objective(directory.read("z_result.txt")), 1e-4);
  EXPECT_FALSE(directory.exists("&&&_Rab.txt"));
}

TEST(Search, SameInputsGiveTheSameReportsByteForByte) {
  std::string first_result;
  std::string first_selection;
  for (int run_number = 0; run_number < 2; ++run_number) {
    ScratchDirectory directory;
    ASSERT_EQ(run_problem(directory, sphere, stop_at_poll(50 * 20 + 7)).exit_status, 0);
    if (run_number == 0) {
      first_result = directory.read("z_result.txt");
      first_selection = directory.read("z_selection.txt");
      continue;
    }
    EXPECT_EQ(directory.read("z_result.txt"), first_result);
    EXPECT_EQ(directory.read("z_selection.txt"), first_selection);
  }
}

TEST(Search, OneInTheMiddleOfAChildEndsWithoutEvaluatingIt) {
  ScratchDirectory directory;
  directory.write("model_calls.txt", "");
  // Poll 2 is the second variable of the first child.
  ASSERT_EQ(run_problem(directory, sphere, stop_at_poll(2)).exit_status, 0);
  // The warm-up population of 100, then only the final evaluation of the best point.
  EXPECT_EQ(lines_of(directory.read("model_calls.txt")), 101);
  const std::string result = directory.read("z_result.txt");
  EXPECT_NE(result.find(std::string(cp1251<"обращений к модели -">) + "         100\n"),
            std::string::npos);
  EXPECT_EQ(count_of(result, cp1251<" итерация">), 0);  // no progress line at all
}

TEST(Search, ScaleKeysShowTheNewScale) {
  ScratchDirectory directory;
  const test_support::ProgramRun run = run_problem(directory, sphere, "98x1");
  ASSERT_EQ(run.exit_status, 0);
  EXPECT_NE(run.console.find(" To Division By 10    1.00000000000000     \n"), std::string::npos)
      << run.console;
  EXPECT_NE(run.console.find(" Multiplyings on 10    10.0000000000000     \n"), std::string::npos)
      << run.console;
}

TEST(Search, SpacePausesUntilANewline) {
  ScratchDirectory directory;
  directory.write("model_calls.txt", "");
  // The pause takes the whole line "  anything"; "1" is then the second poll.
  ASSERT_EQ(run_problem(directory, sphere, "  anything\n1").exit_status, 0);
  EXPECT_EQ(lines_of(directory.read("model_calls.txt")), 101);
}

TEST(Search, ProgressLinesAtTheFirstIterationAndThenByPeriod) {
  ScratchDirectory directory;
  Problem problem = sphere;
  problem.settings = "'sphere'\n0\n2 3\n-5 5\n-5 5\n";
  // Seven whole iterations of ten children of two variables.
  const test_support::ProgramRun run = run_problem(directory, problem, stop_at_poll(7 * 20 + 1));
  ASSERT_EQ(run.exit_status, 0);
  const std::string result = directory.read("z_result.txt");
  // File period 3: iterations 1, 4, 7; console period 2: iterations 1, 3, 5, 7.
  EXPECT_EQ(count_of(result, cp1251<" итерация">), 3);
  EXPECT_NE(
      result.find("           1 " + std::string(cp1251<" итерация  значение целевой функции -">)),
      std::string::npos);
  EXPECT_NE(result.find("           7 " + std::string(cp1251<" итерация">)), std::string::npos);
  EXPECT_EQ(count_of(run.console, " итерация\u00a0"), 4);
  EXPECT_NE(run.console.find("           5  итерация\u00a0  значение целевой функции -"),
            std::string::npos);
}

}  // namespace
}  // namespace genopt
