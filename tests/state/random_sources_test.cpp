#include "state/random_sources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "support/minstd_states.h"

namespace genopt {
namespace {

using test_support::minstd_modulus;
using test_support::minstd_state_before;

float minstd_draw_into(std::int64_t next) {
  MinstdRandom source{minstd_state_before(next)};
  float value = 0.0f;
  minstd_random(source, value);
  EXPECT_EQ(source.state, next);
  return value;
}

TEST(MinstdRandom, FirstFiveDrawsFromProgramStartAreTheKnownOnes) {
  const std::int32_t states[] = {48271, 182605794, 1291394886, 1914720637, 2078669041};
  const float values[] = {2.2477936e-05f, 0.085032448f, 0.60135263f, 0.89161128f, 0.96795571f};
  MinstdRandom source;
  for (int i = 0; i < 5; ++i) {
    float value = 0.0f;
    minstd_random(source, value);
    EXPECT_EQ(source.state, states[i]) << "draw " << i + 1;
    EXPECT_EQ(value, values[i]) << "draw " << i + 1;
    // The divisor is 2^31, not the modulus.
    EXPECT_EQ(value, static_cast<float>(std::ldexp(static_cast<double>(states[i]), -31)));
  }
}

TEST(MinstdRandom, SingleRoundingGivesOneForTheLargestStates) {
  EXPECT_EQ(minstd_draw_into(2147483583), 0.99999994f);
  EXPECT_LT(minstd_draw_into(2147483583), 1.0f);
  EXPECT_EQ(minstd_draw_into(2147483584), 1.0f);
  EXPECT_EQ(minstd_draw_into(2147483646), 1.0f);
}

TEST(MinstdRandom, NeverZeroAndStateStaysBelowTheModulus) {
  // t <= 0 after Schrage's step is lifted by the modulus; the smallest state gives 2^-31.
  EXPECT_EQ(minstd_draw_into(1), std::ldexp(1.0f, -31));
  MinstdRandom source{2147483646};
  float value = 0.0f;
  minstd_random(source, value);
  EXPECT_EQ(source.state, minstd_modulus - 48271);
}

constexpr double start_seed = 28395403264.0;

TEST(Mul5Random, StartCallAndTheDrawsAfterItAreTheKnownOnes) {
  Mul5Random source;
  const double start = mul5_random(source, -1, 1, 1, start_seed);
  EXPECT_EQ(source.state, 4538062848.0);
  EXPECT_NEAR(start, -0.735849976539612, 5e-16);
  EXPECT_EQ(mul5_random(source, 0, 1, 0, 0.0), 0.6603750586509705);
  EXPECT_EQ(mul5_random(source, 0, 1, 0, 0.0), 0.3018752932548523);
  EXPECT_EQ(mul5_random(source, 0, 1, 0, 0.0), 0.5093764662742615);
}

TEST(Mul5Random, StartCallRestartsFromTheSeed) {
  Mul5Random source;
  mul5_random(source, -1, 1, 1, start_seed);
  mul5_random(source, 0, 1, 0, 0.0);
  const double restarted = mul5_random(source, 0, 1, 1, start_seed);
  EXPECT_EQ(source.state, 4538062848.0);
  EXPECT_EQ(restarted, 4538062848.0 / 34359738368.0);
}

TEST(Mul5Random, WholePeriodStaysInUnitIntervalOnA2ToMinus24Grid) {
  Mul5Random source;
  mul5_random(source, -1, 1, 1, start_seed);
  const double first_state = source.state;
  constexpr int period = 1 << 22;
  for (int draw = 1; draw <= period; ++draw) {
    const double value = mul5_random(source, 0, 1, 0, 0.0);
    ASSERT_GE(value, 0.0) << "draw " << draw;
    ASSERT_LT(value, 1.0) << "draw " << draw;
    ASSERT_EQ(std::ldexp(value, 24), std::trunc(std::ldexp(value, 24))) << "draw " << draw;
    if (draw < period) {
      ASSERT_NE(source.state, first_state) << "draw " << draw;
    }
  }
  EXPECT_EQ(source.state, first_state);
}

}  // namespace
}  // namespace genopt
