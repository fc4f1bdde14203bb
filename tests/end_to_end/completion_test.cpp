// The optional inputs, the traces and the continuation chain of whole runs.
// The built-in switches are tried through the real binary; a run that needs
// a switch on is made in-process on a state of its own, with a file of key
// bytes as the console's input. Keys: one is taken before every variable of
// every child, so with N variables and ten children an iteration takes 10N.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/console.h"
#include "run/run_sequence.h"
#include "state/search_state.h"
#include "support/scratch_directory.h"
#include "support/text_search.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::count_of;
using test_support::ScratchDirectory;
using test_support::stop_at_poll;
using text::cp1251;

// Every number of a text, in order; blanks and line ends separate them.
std::vector<double> numbers_in(std::string_view text) {
  std::vector<double> numbers;
  const char* at = text.data();
  const char* const end = text.data() + text.size();
  while (at < end) {
    if (*at == ' ' || *at == '\n') {
      ++at;
      continue;
    }
    double value = 0.0;
    const auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc{}) break;
    numbers.push_back(value);
    at = next;
  }
  return numbers;
}

// One vector per model run, as the model got it.
std::vector<std::vector<double>> model_calls(const ScratchDirectory& directory) {
  std::vector<std::vector<double>> calls;
  const std::string log = directory.read("model_calls.txt");
  for (std::size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1) {
    calls.push_back(numbers_in(std::string_view(log).substr(at, end - at)));
  }
  return calls;
}

// The real coordinates of the final results: the last number of each of the
// N lines after the heading.
std::vector<double> best_real_point(const std::string& result, int n) {
  std::vector<double> point;
  std::size_t at = result.find(cp1251<"оптимальные значения в РЕАЛЬНОМ диапозоне">);
  for (int i = 0; i < n && at != std::string::npos; ++i) {
    at = result.find('\n', at) + 1;
    const std::string_view line(result.data() + at, result.find('\n', at) - at);
    point.push_back(numbers_in(line.substr(line.rfind('-') + 1)).at(0));
  }
  return point;
}

struct Switches {
  std::int32_t relative_mode = 0;
  std::int32_t continuation_mode = 1;
  std::int32_t trace_intermediate = 0;
  std::int32_t trace_iterations = 0;
};

// The whole program in-process with `switches` on, in the scratch directory;
// the keys and the console output are files there too.
int run_in_process(const ScratchDirectory& directory, const Switches& switches,
                   std::string_view keys) {
  auto state = std::make_unique<SearchState>();
  state->relative_mode = switches.relative_mode;
  state->continuation_mode = switches.continuation_mode;
  state->trace_intermediate = switches.trace_intermediate;
  state->trace_iterations = switches.trace_iterations;
  directory.write("keys", keys);
  const int input = ::open("keys", O_RDONLY | O_CLOEXEC);
  const int output = ::open("console", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int status = -1;
  {
    Console console(input, output);
    status = run_genopt(*state, console);
  }
  ::close(input);
  ::close(output);
  return status;
}

struct Range {
  double lower;
  double upper;
  bool operator==(const Range&) const = default;
};

void PrintTo(const Range& range, std::ostream* out) {
  *out << "[" << range.lower << ", " << range.upper << "]";
}

// A continuation file: one lower, upper pair a variable.
std::vector<Range> ranges_in(const std::string& text) {
  const std::vector<double> numbers = numbers_in(text);
  std::vector<Range> ranges;
  for (std::size_t at = 0; at + 1 < numbers.size(); at += 2) {
    ranges.push_back({numbers[at], numbers[at + 1]});
  }
  return ranges;
}

// `written` holds one relative step either side of the best real point of
// `result`, where a step is a hundredth of the range the run started from.
void expect_narrowed_around_best(const std::vector<Range>& written,
                                 const std::vector<Range>& started_from,
                                 const std::string& result) {
  ASSERT_EQ(written.size(), started_from.size());
  const std::vector<double> best = best_real_point(result, static_cast<int>(written.size()));
  ASSERT_EQ(best.size(), written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    const double width = std::abs(started_from[i].upper - started_from[i].lower) / 50;
    EXPECT_NEAR(written[i].upper - written[i].lower, width, 1e-12) << "variable " << i + 1;
    EXPECT_NEAR((written[i].lower + written[i].upper) / 2, best[i], 1e-12) << "variable " << i + 1;
  }
}

// Every value is a whole relative step of its range, centre + s * scale.
// The warm-up population (the first `warm_up` calls) also lies in the
// range, s from -50 to 50 (51 when a draw of exactly 1 rounds up); children
// are not held to it, since the model's bound constraints judge them.
void expect_whole_steps(const std::vector<std::vector<double>>& calls,
                        const std::vector<Range>& ranges, std::size_t warm_up) {
  ASSERT_GT(calls.size(), warm_up);
  int wrong = 0;
  std::string first_wrong;
  for (std::size_t k = 0; k < calls.size(); ++k) {
    ASSERT_EQ(calls[k].size(), ranges.size());
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      const double centre = (ranges[i].lower + ranges[i].upper) * 0.5;
      const double scale = std::abs(ranges[i].upper - ranges[i].lower) / 100;
      const double step = (calls[k][i] - centre) / scale;
      const bool whole = std::abs(step - std::round(step)) < 1e-6;
      if (whole && (k >= warm_up || (step > -50.5 && step < 51.5))) continue;
      if (wrong++ == 0)
        first_wrong = "call " + std::to_string(k + 1) + ": step " + std::to_string(step);
    }
  }
  EXPECT_EQ(wrong, 0) << first_wrong;
}

const std::string sphere_settings = "'sphere'\n0\n1 1\n-5 5\n-5 5\n";

void prepare(const ScratchDirectory& directory, const char* model, const std::string& settings) {
  directory.install_model(model);
  directory.write("&_in_gen.txt", settings);
  directory.write("model_calls.txt", "");
}

TEST(OptionalInputs, StartPointOfExactlyNValuesIsTheFirstCandidate) {
  struct Case {
    const char* file;
    bool first_is_start;
  };
  for (const Case& c : {Case{"0.25\n-3.5\n", true}, Case{"0.25\n\n-3.5\n\n", true},
                        Case{"0.25\n-3.5\n2\n", false}, Case{"0.25\n", false}}) {
    ScratchDirectory directory;
    prepare(directory, "sphere", sphere_settings);
    directory.write("&&_in_X_start.txt", c.file);
    ASSERT_EQ(test_support::run_genopt("1").exit_status, 0);
    const std::vector<std::vector<double>> calls = model_calls(directory);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0] == (std::vector{0.25, -3.5}), c.first_is_start) << c.file;
  }
}

TEST(OptionalInputs, IntegerVariableTakesOnlyWholeValues) {
  ScratchDirectory directory;
  prepare(directory, "sphere", "'sphere'\n0\n1 1\n-4.5 5.5\n-4.5 5.5\n");
  directory.write("&&_in_iZEL.txt", "1\n0\n");
  ASSERT_EQ(test_support::run_genopt(stop_at_poll(5 * 20 + 1)).exit_status, 0);
  const std::vector<std::vector<double>> calls = model_calls(directory);
  ASSERT_GT(calls.size(), 101u);  // the warm-up population and children
  int fractional_second = 0;
  for (const std::vector<double>& call : calls) {
    ASSERT_EQ(call.size(), 2u);
    EXPECT_EQ(call[0], std::trunc(call[0]));
    if (call[1] != std::trunc(call[1])) ++fractional_second;
  }
  EXPECT_GT(fractional_second, 0);
}

TEST(Continuation, ChainOfRelativeRunsNarrowsTheRangeAroundEachBest) {
  ScratchDirectory directory;
  prepare(directory, "sphere", "'chain'\n0\n1 1\n-5 5\n0 4\n");
  const std::vector<Range> settings{{-5, 5}, {0, 4}};
  const std::string keys = stop_at_poll(5 * 20 + 1);

  ASSERT_EQ(run_in_process(directory, {.relative_mode = 1}, keys), 0);
  const std::vector<Range> narrowed = ranges_in(directory.read("Z_NEPR_ZELL"));
  expect_narrowed_around_best(narrowed, settings, directory.read("z_result.txt"));
  EXPECT_EQ(ranges_in(directory.read("Z_NEPR_ZELL_otl")), settings);

  directory.write("model_calls.txt", "");
  ASSERT_EQ(run_in_process(directory, {.relative_mode = 1, .continuation_mode = 2}, keys), 0);
  expect_whole_steps(model_calls(directory), narrowed, 100);
  expect_narrowed_around_best(ranges_in(directory.read("Z_NEPR_ZELL")), narrowed,
                              directory.read("z_result.txt"));
  EXPECT_EQ(ranges_in(directory.read("Z_NEPR_ZELL_otl")), narrowed);
}

TEST(Continuation, MissingOrShortFileEndsTheRunOnStandardError) {
  for (const char* file : {"", "-1 1\n"}) {
    ScratchDirectory directory;
    prepare(directory, "sphere", sphere_settings);
    if (*file != '\0') directory.write("Z_NEPR_ZELL", file);
    const int saved = ::dup(STDERR_FILENO);
    const int errors = ::open("errors", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ::dup2(errors, STDERR_FILENO);
    const int status = run_in_process(directory, {.continuation_mode = 2}, "");
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(errors);
    EXPECT_NE(status, 0);
    EXPECT_NE(directory.read("errors").find("Z_NEPR_ZELL"), std::string::npos);
    EXPECT_FALSE(directory.exists("z_result.txt"));
    EXPECT_EQ(directory.read("model_calls.txt"), "");
  }
}

TEST(BuiltInSwitches, ContinuationAndTraceFilesAreNeitherReadNorWritten) {
  ScratchDirectory directory;
  prepare(directory, "sphere", sphere_settings);
  // Were it read, this file would move the whole search to [1000, 1001].
  const std::string old_content = "1000 1001\n1000 1001\n";
  const std::vector<std::string> names{"Z_NEPR_ZELL", "Z_NEPR_ZELL_otl",
                                       "z_ПРОМЕЖ_до    1 (18).txt", "z_ПРОМЕЖ_после 2 (19).txt",
                                       "z_РЕЗУЛ_итер   3 (20).txt"};
  const timespec long_ago[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  for (const std::string& name : names) {
    directory.write(name, old_content);
    ASSERT_EQ(::utimensat(AT_FDCWD, name.c_str(), long_ago, 0), 0);
  }

  ASSERT_EQ(test_support::run_genopt(stop_at_poll(3 * 20 + 1)).exit_status, 0);

  for (const std::string& name : names) {
    EXPECT_EQ(directory.read(name), old_content) << name;
    struct stat status {};
    ASSERT_EQ(::stat(name.c_str(), &status), 0);
    EXPECT_EQ(status.st_mtim.tv_sec, long_ago[1].tv_sec) << name;
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
  prepare(directory, "constrained", "'flat'\n0\n1 1\n-5 5\n2 2\n");
  constexpr int completed = 4;
  const std::string keys = stop_at_poll(completed * 20 + 1);
  ASSERT_EQ(run_in_process(directory, {.trace_intermediate = 1, .trace_iterations = 1}, keys), 0);

  // "1" came at the first child of iteration 5: both traces of that
  // iteration are written, its population report is not.
  constexpr int begun = completed + 1;
  const std::string before = directory.read("z_ПРОМЕЖ_до    1 (18).txt");
  EXPECT_EQ(count_of(before, cp1251<"\n ПРОМЕЖ_ФАЙЛ до ранжирования\n">), begun);
  EXPECT_EQ(count_of(before, cp1251<" итерация\n">), 2 * begun);  // heading and closing line
  EXPECT_NE(before.find(cp1251<"           5  итерация\n ПРОМЕЖ_ФАЙЛ до ранжирования\n">),
            std::string::npos);

  const std::string after = directory.read("z_ПРОМЕЖ_после 2 (19).txt");
  EXPECT_EQ(count_of(after, cp1251<"\n ПРОМЕЖ_ФАЙЛ после ранжирования\n">), begun);
  EXPECT_EQ(count_of(after, cp1251<" итерация\n">), begun);
  EXPECT_NE(after.find(cp1251<"           5  итерация\n ПРОМЕЖ_ФАЙЛ после ранжирования\n">),
            std::string::npos);

  const std::string iterations = directory.read("z_РЕЗУЛ_итер   3 (20).txt");
  constexpr std::string_view report = cp1251<" ИТЕРАЦИЯ - популяция (результаты оптимизации)\n">;
  EXPECT_EQ(count_of(iterations, report), completed);
  EXPECT_NE(iterations.find("           4 " + std::string(report)), std::string::npos);

  const std::string result = directory.read("z_result.txt");
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
