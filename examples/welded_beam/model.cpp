// Welded beam design: a cantilever beam welded to a support, carrying a load
// P at its free end, of least cost of weld and bar.
//   x1 = weld thickness h, x2 = weld length l, x3 = bar height t,
//   x4 = bar thickness b (all in inches).
// Published optimum: cost 1.724852 at h = 0.205730, l = 3.470489,
// t = 9.036624, b = 0.205730.
#include <cmath>

#include "model_io.h"

namespace {

constexpr double P = 6000.0;           // load, lb
constexpr double L = 14.0;             // overhang, in
constexpr double E = 30e6;             // Young's modulus, psi
constexpr double G = 12e6;             // shear modulus, psi
constexpr double tau_max = 13600.0;    // psi
constexpr double sigma_max = 30000.0;  // psi
constexpr double delta_max = 0.25;     // in

double shear_stress(double h, double l, double t) {
  const double primary = P / (std::sqrt(2.0) * h * l);
  const double moment = P * (L + l / 2.0);
  const double radius = std::sqrt(l * l / 4.0 + (h + t) * (h + t) / 4.0);
  const double polar = 2.0 * (std::sqrt(2.0) * h * l * (l * l / 12.0 + (h + t) * (h + t) / 4.0));
  const double secondary = moment * radius / polar;
  return std::sqrt(primary * primary + 2.0 * primary * secondary * l / (2.0 * radius) +
                   secondary * secondary);
}

double buckling_load(double t, double b) {
  return 4.013 * E * std::sqrt(t * t * std::pow(b, 6) / 36.0) / (L * L) *
         (1.0 - t / (2.0 * L) * std::sqrt(E / (4.0 * G)));
}

// Each g >= 0 when satisfied, as a fraction of its limit.
std::vector<double> constraints(const std::vector<double>& x) {
  const double h = x[0], l = x[1], t = x[2], b = x[3];
  const double bending_stress = 6.0 * P * L / (b * t * t);
  const double deflection = 4.0 * P * L * L * L / (E * t * t * t * b);
  return {
      1.0 - shear_stress(h, l, t) / tau_max,                         // weld shear
      1.0 - bending_stress / sigma_max,                              // bar bending
      b - h,                                                         // weld no thicker than the bar
      1.0 - (0.10471 * h * h + 0.04811 * t * b * (14.0 + l)) / 5.0,  // cost limit
      h / 0.125 - 1.0,                                               // weld at least 1/8 in
      1.0 - deflection / delta_max,                                  // end deflection
      buckling_load(t, b) / P - 1.0,                                 // bar does not buckle
  };
}

double cost(const std::vector<double>& x) {
  const double h = x[0], l = x[1], t = x[2], b = x[3];
  return 1.10471 * h * h * l + 0.04811 * t * b * (14.0 + l);
}

}  // namespace

int main() { return example::answer(4, constraints, cost); }
