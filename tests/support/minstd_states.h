#pragma once
// Setting the minimal standard generator so that its next draw is known.

#include <cstdint>

namespace genopt::test_support {

inline constexpr std::int64_t minstd_modulus = 2147483647;

// The state whose next draw leaves `next`: next x 48271^-1 mod (2^31 - 1).
// The draw is then next x 2^-31 in single precision.
inline std::int32_t minstd_state_before(std::int64_t next) {
  std::int64_t inverse = 1;
  std::int64_t base = 48271;
  for (std::int64_t power = minstd_modulus - 2; power > 0; power /= 2) {
    if (power % 2 == 1) inverse = inverse * base % minstd_modulus;
    base = base * base % minstd_modulus;
  }
  return static_cast<std::int32_t>(next * inverse % minstd_modulus);
}

}  // namespace genopt::test_support
