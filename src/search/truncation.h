#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace genopt {

// Whole numbers made from reals are truncated toward zero through a 32-bit
// integer. A value beyond that range saturates at its end, and NaN gives 0,
// where a plain conversion would be undefined.
inline std::int32_t truncate_toward_zero(double value) {
  constexpr double lowest = std::numeric_limits<std::int32_t>::min();
  constexpr double highest = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(value)) return 0;
  if (value <= lowest) return std::numeric_limits<std::int32_t>::min();
  if (value >= highest) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

}  // namespace genopt
