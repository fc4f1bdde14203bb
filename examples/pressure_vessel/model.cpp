// Pressure vessel design: a cylindrical vessel capped by hemispherical heads,
// of least cost of material, forming and welding.
//   x1 = shell thickness Ts and x2 = head thickness Th, as whole numbers of
//        plates 0.0625 in thick (genopt's integer flags keep them whole);
//   x3 = inner radius R (in), x4 = length of the cylinder L (in).
// Published optimum of this mixed-discrete problem: cost 6059.714 at
// Ts = 0.8125 (13 plates), Th = 0.4375 (7 plates), R = 42.0984, L = 176.6366.
#include <numbers>

#include "model_io.h"

namespace {

constexpr double plate = 0.0625;  // in
constexpr double pi = std::numbers::pi;

struct Vessel {
  double Ts, Th, R, L;
};

Vessel vessel_of(const std::vector<double>& x) { return {x[0] * plate, x[1] * plate, x[2], x[3]}; }

// Each g >= 0 when satisfied, as a fraction of its limit.
std::vector<double> constraints(const std::vector<double>& x) {
  const auto [Ts, Th, R, L] = vessel_of(x);
  const double volume = pi * R * R * L + 4.0 / 3.0 * pi * R * R * R;
  return {
      Ts / (0.0193 * R) - 1.0,   // shell thick enough for the hoop stress
      Th / (0.00954 * R) - 1.0,  // heads thick enough
      volume / 1296000.0 - 1.0,  // holds at least 1,296,000 in^3
      1.0 - L / 240.0,           // at most 240 in long
  };
}

double cost(const std::vector<double>& x) {
  const auto [Ts, Th, R, L] = vessel_of(x);
  return 0.6224 * Ts * R * L + 1.7781 * Th * R * R + 3.1661 * Ts * Ts * L + 19.84 * Ts * Ts * R;
}

}  // namespace

int main() { return example::answer(4, constraints, cost); }
