// Whole searches through the real binary, a real model and scripted keys.
// The keys are the bytes of standard input: one is taken before every
// variable of every child, so a script of P-1 other bytes and then "1" ends
// the search at poll P.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "support/binary_run.h"
#include "support/in_process_run.h"
#include "support/key_scripts.h"
#include "support/model_call_log.h"
#include "support/scratch_directory.h"
#include "support/text_search.h"
#include "text/code_page.h"
#include "text/messages.h"

namespace genopt {
namespace {

using test_support::count_of;
using test_support::model_calls;
using test_support::ProgramRun;
using test_support::run_genopt;
using test_support::run_in_process;
using test_support::ScratchDirectory;
using test_support::start_model_call_log;
using test_support::stop_at_poll;
using text::cp1251;

// The stored objective that the final results report; none when the line
// is missing or holds no number.
std::optional<double> final_objective(const std::string& result) {
  const std::string label = "\n " + std::string(cp1251<"значение целевой функции -">);
  const std::size_t at = result.find(label);
  if (at == std::string::npos) return std::nullopt;
  const char* first = result.data() + at + label.size();
  const char* const end = result.data() + result.size();
  while (first < end && *first == ' ') ++first;
  double value = 0.0;
  if (std::from_chars(first, end, value).ec != std::errc{}) return std::nullopt;
  return value;
}

struct Problem {
  const char* model;
  std::string settings;
};

const Problem sphere{"sphere", "'sphere'\n0\n1 1\n-5 5\n-5 5\n"};

ProgramRun run_problem(const ScratchDirectory& directory, const Problem& problem,
                       const std::string& keys) {
  directory.install_model(problem.model);
  directory.write("&_in_gen.txt", problem.settings);
  return run_genopt(keys);
}

TEST(Search, ApproachesTheOptimumOfASphere) {
  ScratchDirectory directory;
  const ProgramRun run = run_problem(directory, sphere, stop_at_poll(300 * 20));
  ASSERT_EQ(run.exit_status, 0) << run.errors;
  const std::optional<double> objective = final_objective(directory.read_text("z_result.txt"));
  ASSERT_TRUE(objective.has_value()) << "no final results";
  EXPECT_GE(*objective, 0.0);
  EXPECT_LT(*objective, 1e-4);
  EXPECT_FALSE(directory.exists("&&&_Rab.txt"));
}

std::size_t first_difference(const std::string& a, const std::string& b) {
  return static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first -
                                  a.begin());
}

// The files of one run that must come out the same from the same inputs,
// with what the run showed on its console last.
template <std::size_t Count>
using Outputs = std::array<std::string, Count>;

// Each output of the first run holds something and the second run's is the
// same, byte for byte.
template <std::size_t Count>
void expect_same_and_not_empty(const Outputs<Count>& first, const Outputs<Count>& second,
                               const std::array<std::string_view, Count>& names) {
  for (std::size_t at = 0; at < Count; ++at) {
    EXPECT_FALSE(first[at].empty()) << names[at];
    EXPECT_TRUE(first[at] == second[at]) << names[at] << " differs between the two runs from byte "
                                         << first_difference(first[at], second[at]);
  }
}

TEST(Search, SameInputsGiveTheSameReportsByteForByte) {
  constexpr std::array<std::string_view, 3> names{text::selection_file_name, text::result_file_name,
                                                  "console"};
  Outputs<3> runs[2];
  for (Outputs<3>& outputs : runs) {
    ScratchDirectory directory;
    const ProgramRun run = run_problem(directory, sphere, stop_at_poll(50 * 20 + 7));
    ASSERT_EQ(run.exit_status, 0) << run.errors;
    outputs = {directory.read(names[0]), directory.read(names[1]), run.console};
  }
  expect_same_and_not_empty(runs[0], runs[1], names);
}

// The traces are off in the binary: this run is made in-process with both on.
TEST(Search, SameInputsWithBothTracesOnGiveTheSameFiveReportsByteForByte) {
  constexpr std::array<std::string_view, 6> names{
      text::selection_file_name,  text::trace_before_file_name, text::trace_after_file_name,
      text::iterations_file_name, text::result_file_name,       "console"};
  Outputs<6> runs[2];
  for (Outputs<6>& outputs : runs) {
    ScratchDirectory directory;
    directory.install_model("constrained");
    directory.write("&_in_gen.txt", "'traced'\n1\n1 1\n-5 5\n-5 5\n");
    const test_support::InProcessRun run = run_in_process(
        directory, {.trace_intermediate = 1, .trace_iterations = 1}, stop_at_poll(6 * 20 + 7));
    ASSERT_EQ(run.exit_status, 0);
    for (std::size_t at = 0; at < 5; ++at) outputs[at] = directory.read(names[at]);
    outputs[5] = run.console;
  }
  expect_same_and_not_empty(runs[0], runs[1], names);
}

TEST(Search, OneInTheMiddleOfAChildEndsWithoutEvaluatingIt) {
  ScratchDirectory directory;
  start_model_call_log(directory);
  // Poll 2 is the second variable of the first child.
  ASSERT_EQ(run_problem(directory, sphere, stop_at_poll(2)).exit_status, 0);
  // The warm-up population of 100, then only the final evaluation of the best point.
  EXPECT_EQ(model_calls(directory).size(), 101u);
  const std::string result = directory.read_text("z_result.txt");
  EXPECT_NE(result.find(std::string(cp1251<"обращений к модели -">) + "         100\n"),
            std::string::npos);
  EXPECT_EQ(count_of(result, cp1251<" итерация">), 0);  // no progress line at all
}

TEST(Search, ScaleKeysShowTheNewScale) {
  ScratchDirectory directory;
  const ProgramRun run = run_problem(directory, sphere, "98x1");
  ASSERT_EQ(run.exit_status, 0);
  EXPECT_NE(run.console.find(" To Division By 10    1.00000000000000     \n"), std::string::npos)
      << run.console;
  EXPECT_NE(run.console.find(" Multiplyings on 10    10.0000000000000     \n"), std::string::npos)
      << run.console;
}

TEST(Search, SpacePausesUntilANewline) {
  ScratchDirectory directory;
  start_model_call_log(directory);
  // The pause takes the whole line "  anything"; "1" is then the second poll.
  ASSERT_EQ(run_problem(directory, sphere, "  anything\n1").exit_status, 0);
  EXPECT_EQ(model_calls(directory).size(), 101u);
}

TEST(Search, ProgressLinesAtTheFirstIterationAndThenByPeriod) {
  ScratchDirectory directory;
  Problem problem = sphere;
  problem.settings = "'sphere'\n0\n2 3\n-5 5\n-5 5\n";
  // Seven whole iterations of ten children of two variables.
  const ProgramRun run = run_problem(directory, problem, stop_at_poll(7 * 20 + 1));
  ASSERT_EQ(run.exit_status, 0);
  const std::string result = directory.read_text("z_result.txt");
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
