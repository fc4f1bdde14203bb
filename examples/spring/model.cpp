// Tension/compression spring design: a coil spring of least weight under
// limits on deflection, shear stress, surge frequency and outer diameter.
//   x1 = wire diameter d (in), x2 = mean coil diameter D (in),
//   x3 = number of active coils n (taken as continuous).
// Published optimum: weight 0.0126652 at d = 0.051690, D = 0.356750,
// n = 11.287126.
#include "model_io.h"

namespace {

// Each g >= 0 when satisfied, as a fraction of its limit.
std::vector<double> constraints(const std::vector<double>& x) {
  const double d = x[0], D = x[1], n = x[2];
  return {
      D * D * D * n / (71785.0 * d * d * d * d) - 1.0,  // minimum deflection
      1.0 - (4.0 * D * D - d * D) / (12566.0 * (D * d * d * d - d * d * d * d)) -
          1.0 / (5108.0 * d * d),      // shear stress
      140.45 * d / (D * D * n) - 1.0,  // surge frequency
      1.0 - (D + d) / 1.5,             // outer diameter
  };
}

double weight(const std::vector<double>& x) {
  const double d = x[0], D = x[1], n = x[2];
  return (n + 2.0) * D * d * d;
}

}  // namespace

int main() { return example::answer(3, constraints, weight); }
