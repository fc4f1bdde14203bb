#include "state/random_sources.h"

namespace genopt {

namespace {

// Schrage's factorisation of the modulus 2147483647 = 48271 x 44488 + 3399,
// so that 48271 x state mod 2147483647 needs no more than 32 bits.
constexpr std::int32_t minstd_modulus = 2147483647;
constexpr std::int32_t minstd_multiplier = 48271;
constexpr std::int32_t minstd_quotient = 44488;
constexpr std::int32_t minstd_remainder = 3399;

// The result is scaled by 2^-31, not by 1 / modulus.
constexpr double two_to_minus_31 = 1.0 / 2147483648.0;

constexpr double mul5_multiplier = 5.0;
constexpr double two_to_37 = 137438953472.0;
constexpr double two_to_36 = 68719476736.0;
constexpr double two_to_35 = 34359738368.0;

}  // namespace

void minstd_random(MinstdRandom& source, float& value) {
  const std::int32_t s = source.state;
  std::int32_t t =
      minstd_multiplier * (s % minstd_quotient) - minstd_remainder * (s / minstd_quotient);
  if (t <= 0) t += minstd_modulus;
  source.state = t;
  // Exact in double, then one rounding to single: the 63 largest states give 1.0.
  value = static_cast<float>(static_cast<double>(t) * two_to_minus_31);
}

double mul5_random(Mul5Random& source, std::int32_t lo, std::int32_t hi, std::int32_t init,
                   double seed) {
  if (init != 0) source.state = seed;
  double state = source.state * mul5_multiplier;
  // 5 x state < 5 x 2^35 < 2^38, so these three steps reduce it modulo 2^35.
  if (state >= two_to_37) state -= two_to_37;
  if (state >= two_to_36) state -= two_to_36;
  if (state >= two_to_35) state -= two_to_35;
  source.state = state;
  // The width is taken in double so that no pair of bounds can overflow.
  return lo + (state / two_to_35) * (static_cast<double>(hi) - lo);
}

}  // namespace genopt
