// The continuation chain: a relative run writes the continuation file, a
// range one relative step either side of its best point, and the next run
// searches that range. The binary has the relative and continuation modes
// off, so these runs are made in-process with the switches on.

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "support/descriptors.h"
#include "support/in_process_run.h"
#include "support/key_scripts.h"
#include "support/model_call_log.h"
#include "support/number_reading.h"
#include "support/scratch_directory.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::model_calls;
using test_support::numbers_in;
using test_support::run_in_process;
using test_support::ScratchDirectory;
using test_support::start_model_call_log;
using test_support::stop_at_poll;
using text::cp1251;

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

TEST(Continuation, ChainOfRelativeRunsNarrowsTheRangeAroundEachBest) {
  ScratchDirectory directory;
  directory.install_model("sphere");
  directory.write("&_in_gen.txt", "'chain'\n0\n1 1\n-5 5\n0 4\n");
  start_model_call_log(directory);
  const std::vector<Range> settings{{-5, 5}, {0, 4}};
  const std::string keys = stop_at_poll(5 * 20 + 1);

  ASSERT_EQ(run_in_process(directory, {.relative_mode = 1}, keys).exit_status, 0);
  const std::vector<Range> narrowed = ranges_in(directory.read_text("Z_NEPR_ZELL"));
  expect_narrowed_around_best(narrowed, settings, directory.read_text("z_result.txt"));
  EXPECT_EQ(ranges_in(directory.read_text("Z_NEPR_ZELL_otl")), settings);

  start_model_call_log(directory);
  ASSERT_EQ(
      run_in_process(directory, {.relative_mode = 1, .continuation_mode = 2}, keys).exit_status, 0);
  expect_whole_steps(model_calls(directory), narrowed, 100);
  expect_narrowed_around_best(ranges_in(directory.read_text("Z_NEPR_ZELL")), narrowed,
                              directory.read_text("z_result.txt"));
  EXPECT_EQ(ranges_in(directory.read_text("Z_NEPR_ZELL_otl")), narrowed);
}

TEST(Continuation, MissingOrShortFileEndsTheRunOnStandardError) {
  for (const char* file : {"", "-1 1\n"}) {
    SCOPED_TRACE(file);
    ScratchDirectory directory;
    directory.install_model("sphere");
    directory.write("&_in_gen.txt", "'sphere'\n0\n1 1\n-5 5\n-5 5\n");
    start_model_call_log(directory);
    if (*file != '\0') directory.write("Z_NEPR_ZELL", file);
    int status = 0;
    {
      const test_support::StandardErrorToFile errors(directory.file("errors"));
      ASSERT_TRUE(errors.redirected());
      status = run_in_process(directory, {.continuation_mode = 2}, stop_at_poll(1)).exit_status;
    }
    EXPECT_NE(status, 0);
    EXPECT_NE(directory.read("errors").find("Z_NEPR_ZELL"), std::string::npos);
    EXPECT_FALSE(directory.exists("z_result.txt"));
    EXPECT_EQ(directory.read("model_calls.txt"), "");
  }
}

}  // namespace
}  // namespace genopt
