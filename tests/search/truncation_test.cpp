#include "search/truncation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iomanip>
#include <limits>

namespace genopt {
namespace {

TEST(Truncation, GoesTowardZeroAndSaturatesOutsideTheIntegerRange) {
  constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();
  constexpr double infinity = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    std::int32_t expected;
  } cases[] = {
      {0.0, 0},
      {-0.0, 0},
      {0.999999, 0},
      {-0.999999, 0},
      {2.5, 2},
      {-2.5, -2},  // toward zero, not down
      {-7.7, -7},
      {7.7, 7},
      {1e-300, 0},
      {2147483646.9, 2147483646},
      {-2147483647.9, -2147483647},
      {2147483647.0, highest},
      {2147483647.5, highest},
      {2147483648.0, highest},
      {1e300, highest},
      {infinity, highest},
      {-2147483648.0, lowest},
      {-2147483648.5, lowest},
      {-2147483649.0, lowest},
      {-1e300, lowest},
      {-infinity, lowest},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(truncate_toward_zero(c.value), c.expected) << std::setprecision(17) << c.value;
  }
}

TEST(Truncation, NotANumberGivesZero) {
  EXPECT_EQ(truncate_toward_zero(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(truncate_toward_zero(-std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(truncate_toward_zero(std::numeric_limits<double>::signaling_NaN()), 0);
}

}  // namespace
}  // namespace genopt
