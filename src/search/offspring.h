#pragma once
// Reproduction: every parent gets one child, built variable by variable from
// the best vector and its parent by inheritance and mutation, evaluated once,
// and put in place of the worst row of the intermediate array when it is
// feasible and not already held.

#include <cstdint>

#include "search/search_context.h"

namespace genopt {

// One offspring step. It ends as stopped when the operator ends the search at
// a keyboard poll; the child being built is then dropped unseen. A failed
// evaluation is returned at once.
StepResult make_offspring(SearchContext& context);

// The moves, each evaluated in the written order, without clipping to the range.
// A whole number from lo - 1 up: u = 1.0 reaches hi.
double integer_global_move(double lo, double hi, double u);
// A fresh draw over [lo, hi) while the scale is above its bound, otherwise for
// r3 < 0.5 a perturbation of the inherited value proportional to the scale.
double continuous_global_move(double inherited, double lo, double hi, double u, float r3,
                              double search_scale, double scale_bound);
// The inherited value moved by up to one step either way; u = 0.5 keeps it.
double local_move(double inherited, double u, double step, bool whole_values);

}  // namespace genopt
