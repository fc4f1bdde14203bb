#include "search/keyboard_control.h"

#include <gtest/gtest.h>

#include "support/search_fixture.h"

namespace genopt {
namespace {

using test_support::SearchBench;

// "9" multiplies by 0.1, which is not dividing by 10: from 10, three presses
// give 0.010000000000000002, not 0.01, and "8" then gives 0.10000000000000002.
// The runs of front ends that pressed these keys are repeated with this value.
TEST(KeyboardControl, ScaleKeysMultiplyByATenthAndByTenAndShowTheNewScale) {
  SearchBench bench("9998x");
  ASSERT_EQ(bench.state.search_scale, 10.0);
  const double after_each_key[] = {1.0, 0.1, 0.010000000000000002, 0.10000000000000002,
                                   0.10000000000000002};
  for (const double expected : after_each_key) {
    EXPECT_FALSE(stop_requested(bench.state, bench.console));
    EXPECT_EQ(bench.state.search_scale, expected);
  }
  EXPECT_EQ(bench.console_output(),
            " To Division By 10    1.00000000000000     \n"
            " To Division By 10   0.100000000000000     \n"
            " To Division By 10   1.000000000000000E-002\n"
            " Multiplyings on 10   0.100000000000000     \n");
}

}  // namespace
}  // namespace genopt
