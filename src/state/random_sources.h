#pragma once
// The two random sources of the search. Neither is seeded from the clock or
// the input, so two runs on the same inputs draw the same numbers.

#include <cstdint>

namespace genopt {

// Park-Miller minimal standard generator (multiplier 48271) giving single
// precision numbers in (0, 1].
struct MinstdRandom {
  std::int32_t state = 1;  // always in 1 .. 2147483646
};

// The system's own generator x <- 5x mod 2^35, held exactly in a double.
struct Mul5Random {
  double state = 0.0;  // an integer value in 0 .. 2^35 - 1 once started
};

// The seed from which every search starts the own generator.
inline constexpr double mul5_start_seed = 28395403264.0;

// Stores the next number into `value`: state x 2^-31 rounded to single
// precision, so exactly 1.0 for the 63 largest states and never 0.
void minstd_random(MinstdRandom& source, float& value);

// With `init` non-zero the generator first restarts from `seed`. Returns
// lo + (state / 2^35) x (hi - lo).
double mul5_random(Mul5Random& source, std::int32_t lo, std::int32_t hi, std::int32_t init,
                   double seed);

}  // namespace genopt
