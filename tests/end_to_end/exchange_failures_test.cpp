// Failures of the model exchange during a search: reported after what the
// run has written, which stays whole.

#include <gtest/gtest.h>

#include <string>

#include "support/binary_run.h"
#include "support/in_process_run.h"
#include "support/key_scripts.h"
#include "support/scratch_directory.h"
#include "support/search_path.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::ProgramRun;
using test_support::run_genopt;
using test_support::ScratchDirectory;

// Every run here ends in a failure before this poll; one that went on past
// its failure ends here rather than at a test's time limit.
const std::string keys = test_support::stop_at_poll_after_empty_lines(50 * 20);
using text::cp1251;

const char* const two_variables = "'p'\n0\n1 1\n-5 5\n-5 5\n";

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(ExchangeFailure, BrokenModelInTheMiddleOfTheSearchKeepsWhatWasWritten) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", two_variables);
  directory.install_model("fails_after_runs");
  const ProgramRun run = run_genopt(keys);
  EXPECT_EQ(run.exit_status, 0);
  const std::string result = directory.read_text("z_result.txt");
  // Iteration 1 ran (100 warm-up runs, then 10 children an iteration) and
  // was reported before the model broke down in iteration 6.
  const std::string first_progress = "           1 " + std::string(cp1251<" итерация">);
  EXPECT_EQ(result.rfind(first_progress, 0), 0u) << result;
  std::string failure_lines;
  failure_lines.append(" ").append(cp1251<"Ошибка ввода из рабочего файла &&&_Rab.txt">);
  failure_lines.append("\n Misentry from make file &&&_Rab.txt\n");
  EXPECT_TRUE(ends_with(result, failure_lines)) << result;
  EXPECT_TRUE(ends_with(run.console, " Misentry from make file &&&_Rab.txt\n Press - ENTER\n"));
  EXPECT_EQ(directory.read_text("&&&_Rab.txt"), "broken\n");  // the work file stays as it was
  EXPECT_NE(directory.read_text("z_selection.txt").find(cp1251<"ПОПУЛЯЦИЯ НА РАЗГОНЕ">),
            std::string::npos);
}

TEST(ExchangeFailure, MissingModelIsReported) {
  ScratchDirectory directory;
  const test_support::EmptySearchPath no_models;  // the binary inherits our PATH
  directory.write("&_in_gen.txt", two_variables);
  const ProgramRun run = run_genopt(keys);
  EXPECT_EQ(run.exit_status, 0);
  std::string lines;
  lines.append(" ").append(cp1251<"Ошибка запуска модели tarnix.exe">);
  lines.append("\n Error starting model tarnix.exe\n");
  EXPECT_EQ(directory.read_text("z_result.txt"), lines);
  EXPECT_EQ(run.console, " Error starting model tarnix.exe\n Press - ENTER\n");
}

// A model that crashed before answering leaves no number: no result may be
// made up from an earlier answer.
TEST(ExchangeFailure, ModelThatLeavesNoAnswerIsReportedNotTakenAsAResult) {
  for (const char* model : {"answers_nothing", "deletes_work_file"}) {
    ScratchDirectory directory;
    directory.write("&_in_gen.txt", two_variables);
    directory.install_model(model);
    const ProgramRun run = run_genopt(keys);
    EXPECT_EQ(run.exit_status, 0) << model;
    std::string lines;
    lines.append(" ").append(cp1251<"Ошибка ввода из рабочего файла &&&_Rab.txt">);
    lines.append("\n Misentry from make file &&&_Rab.txt\n");
    EXPECT_EQ(directory.read_text("z_result.txt"), lines) << model;
  }
}

TEST(ExchangeFailure, AnswerWithAnIndexBeyondTheConstraintsIsReported) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", two_variables);
  directory.install_model("answers_index_too_big");
  const ProgramRun run = run_genopt(keys);
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_TRUE(
      ends_with(directory.read_text("z_result.txt"), " Misentry from make file &&&_Rab.txt\n"));
}

// Nothing was ever evaluated feasible: the run ends after the shortfall with
// its own failure and writes no final results for a point of no evaluation.
TEST(ExchangeFailure, NoFeasibleCandidateEndsTheRunWithoutResults) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", "'p'\n1\n1 1\n0 0.4\n0 0.4\n");  // x1 + x2 >= 1 never holds
  directory.install_model("constrained");
  const test_support::InProcessRun run =
      test_support::run_in_process(directory, {.max_attempts = 25}, "");
  EXPECT_EQ(run.exit_status, 0);
  std::string lines;
  lines.append(" ").append(cp1251<"Не найдено ни одного допустимого решения (попыток: 25)">);
  lines.append("\n No feasible candidate found (attempts: 25)\n");
  EXPECT_EQ(directory.read_text("z_result.txt"), lines);
  EXPECT_TRUE(ends_with(run.console,
                        " STOP-pausa\n No feasible candidate found (attempts: 25)\n"
                        " Press - ENTER\n"))
      << run.console;
  EXPECT_TRUE(directory.exists("&&&_Rab.txt"));  // kept after a failure
}

}  // namespace
}  // namespace genopt
