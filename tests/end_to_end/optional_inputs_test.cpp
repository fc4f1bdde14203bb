// The optional input files through the real binary: the start point and the
// integer flags, each taken only in its exact form.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/binary_run.h"
#include "support/key_scripts.h"
#include "support/model_call_log.h"
#include "support/scratch_directory.h"

namespace genopt {
namespace {

using test_support::model_calls;
using test_support::run_genopt;
using test_support::ScratchDirectory;
using test_support::start_model_call_log;
using test_support::stop_at_poll;

TEST(OptionalInputs, StartPointOfExactlyNValuesIsTheFirstCandidate) {
  struct Case {
    const char* file;
    bool first_is_start;
  };
  for (const Case& c : {Case{"0.25\n-3.5\n", true}, Case{"0.25\n\n-3.5\n\n", true},
                        Case{"0.25\n-3.5\n2\n", false}, Case{"0.25\n", false}}) {
    ScratchDirectory directory;
    directory.install_model("sphere");
    directory.write("&_in_gen.txt", "'sphere'\n0\n1 1\n-5 5\n-5 5\n");
    start_model_call_log(directory);
    directory.write("&&_in_X_start.txt", c.file);
    ASSERT_EQ(run_genopt("1").exit_status, 0);
    const std::vector<std::vector<double>> calls = model_calls(directory);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0] == (std::vector{0.25, -3.5}), c.first_is_start) << c.file;
  }
}

TEST(OptionalInputs, IntegerVariableTakesOnlyWholeValues) {
  ScratchDirectory directory;
  directory.install_model("sphere");
  directory.write("&_in_gen.txt", "'sphere'\n0\n1 1\n-4.5 5.5\n-4.5 5.5\n");
  start_model_call_log(directory);
  directory.write("&&_in_iZEL.txt", "1\n0\n");
  ASSERT_EQ(run_genopt(stop_at_poll(5 * 20 + 1)).exit_status, 0);
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

}  // namespace
}  // namespace genopt
