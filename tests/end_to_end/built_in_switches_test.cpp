// The built-in switches: the binary has the continuation mode and both
// traces off, and then neither reads nor writes their files; a run with the
// traces switched on is made in-process on a state of its own. Keys: one is
// taken before every variable of every child, so with N variables and ten
// children an iteration takes 10N.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/binary_run.h"
#include "support/in_process_run.h"
#include "support/key_scripts.h"
#include "support/model_call_log.h"
#include "support/scratch_directory.h"
#include "support/text_search.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::count_of;
using test_support::model_calls;
using test_support::run_genopt;
using test_support::run_in_process;
using test_support::ScratchDirectory;
using test_support::start_model_call_log;
using test_support::stop_at_poll;
using text::cp1251;

TEST(BuiltInSwitches, ContinuationAndTraceFilesAreNeitherReadNorWritten) {
  ScratchDirectory directory;
  directory.install_model("sphere");
  directory.write("&_in_gen.txt", "'sphere'\n0\n1 1\n-5 5\n-5 5\n");
  start_model_call_log(directory);
  // Were it read, this file would move the whole search to [1000, 1001].
  const std::string old_content = "1000 1001\n1000 1001\n";
  const std::vector<std::string> names{"Z_NEPR_ZELL", "Z_NEPR_ZELL_otl",
                                       "z_ПРОМЕЖ_до    1 (18).txt", "z_ПРОМЕЖ_после 2 (19).txt",
                                       "z_РЕЗУЛ_итер   3 (20).txt"};
  // Whole seconds, which every file system keeps exactly.
  const std::filesystem::file_time_type long_ago = std::chrono::floor<std::chrono::seconds>(
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365));
  for (const std::string& name : names) {
    directory.write(name, old_content);
    std::filesystem::last_write_time(directory.file(name), long_ago);
  }

  ASSERT_EQ(run_genopt(stop_at_poll(3 * 20 + 1)).exit_status, 0);

  for (const std::string& name : names) {
    EXPECT_EQ(directory.read(name), old_content) << name;
    EXPECT_TRUE(std::filesystem::last_write_time(directory.file(name)) == long_ago) << name;
  }
  const std::vector<std::vector<double>> calls = model_calls(directory);
  ASSERT_GE(calls.size(), 100u);
  for (std::size_t k = 0; k < 100; ++k) {  // the warm-up population
    for (double value : calls[k]) EXPECT_TRUE(value >= -5 && value <= 5) << value;
  }
}

TEST(Traces, HeadEveryIterationAndRepeatTheFinalCounters) {
  ScratchDirectory directory;
  // Variable 2 has equal bounds, which the model enforces: it never moves
  // and stays in the zero region.
  directory.install_model("constrained");
  directory.write("&_in_gen.txt", "'flat'\n0\n1 1\n-5 5\n2 2\n");
  constexpr int completed = 4;
  const std::string keys = stop_at_poll(completed * 20 + 1);
  ASSERT_EQ(
      run_in_process(directory, {.trace_intermediate = 1, .trace_iterations = 1}, keys).exit_status,
      0);

  // "1" came at the first child of iteration 5: both traces of that
  // iteration are written, its population report is not.
  constexpr int begun = completed + 1;
  const std::string before = directory.read_text("z_ПРОМЕЖ_до    1 (18).txt");
  EXPECT_EQ(count_of(before, cp1251<"\n ПРОМЕЖ_ФАЙЛ до ранжирования\n">), begun);
  EXPECT_EQ(count_of(before, cp1251<" итерация\n">), 2 * begun);  // heading and closing line
  EXPECT_NE(before.find(cp1251<"           5  итерация\n ПРОМЕЖ_ФАЙЛ до ранжирования\n">),
            std::string::npos);

  const std::string after = directory.read_text("z_ПРОМЕЖ_после 2 (19).txt");
  EXPECT_EQ(count_of(after, cp1251<"\n ПРОМЕЖ_ФАЙЛ после ранжирования\n">), begun);
  EXPECT_EQ(count_of(after, cp1251<" итерация\n">), begun);
  EXPECT_NE(after.find(cp1251<"           5  итерация\n ПРОМЕЖ_ФАЙЛ после ранжирования\n">),
            std::string::npos);

  const std::string iterations = directory.read_text("z_РЕЗУЛ_итер   3 (20).txt");
  constexpr std::string_view report = cp1251<" ИТЕРАЦИЯ - популяция (результаты оптимизации)\n">;
  EXPECT_EQ(count_of(iterations, report), completed);
  EXPECT_NE(iterations.find("           4 " + std::string(report)), std::string::npos);

  const std::string result = directory.read_text("z_result.txt");
  const std::string variable_2 = "           2 ";
  EXPECT_EQ(count_of(result, variable_2 + std::string(cp1251<" переменная в НУЛЕВОЙ области - "
                                                             "необходима ДОВОДКА\n">)),
            completed);
  // The step of every child's variable 2 is the refinement step.
  EXPECT_EQ(count_of(result, variable_2 + std::string(cp1251<" переменная в НУЛЕВОЙ области - "
                                                             "ВЫПОЛНЯЕТСЯ ДОВОДКА\n">)),
            10 * completed);

  // The final counters end both files, the same block byte for byte.
  const std::string counters = "\n " + std::string(cp1251<"обращений к модели -">);
  const std::size_t in_result = result.rfind(counters);
  const std::size_t in_iterations = iterations.rfind(counters);
  ASSERT_NE(in_result, std::string::npos);
  ASSERT_NE(in_iterations, std::string::npos);
  const std::string block = result.substr(in_result + 1);
  EXPECT_EQ(count_of(block, cp1251<"ограничение № ">), 4);
  EXPECT_TRUE(block.ends_with(cp1251<" нарушений\n \n">));
  EXPECT_EQ(iterations.substr(in_iterations + 1), block);
}

}  // namespace
}  // namespace genopt
