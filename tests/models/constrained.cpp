// The bounds of the settings file first, then the model constraint
// x_1 + x_2 - 1 >= 0 when K >= 1; otherwise the objective sum of x_i^2
// (minimum 0.5 at x_1 = x_2 = 0.5 for two variables).
#include "model_protocol.h"

namespace {

// The first bound broken, in the order of the variables; false when none is.
bool answer_broken_bound(const std::vector<double>& x, const model::Settings& settings) {
  for (std::size_t i = 0; i < x.size() && i < settings.bounds.size(); ++i) {
    const auto [lower, upper] = settings.bounds[i];
    const int variable = static_cast<int>(i) + 1;
    if (x[i] < lower) {
      model::answer_constraint(x[i] - lower, 2 * variable - 1);
      return true;
    }
    if (x[i] > upper) {
      model::answer_constraint(upper - x[i], 2 * variable);
      return true;
    }
  }
  return false;
}

}  // namespace

int main() {
  const std::vector<double> x = model::read_candidate();
  const model::Settings settings = model::read_settings();
  if (answer_broken_bound(x, settings)) return 0;
  const int N = static_cast<int>(x.size());
  if (settings.K >= 1 && N >= 2 && x[0] + x[1] - 1.0 < 0.0) {
    model::answer_constraint(x[0] + x[1] - 1.0, 2 * N + 1);
    return 0;
  }
  double sum = 0.0;
  for (double value : x) sum += value * value;
  model::answer_objective(sum);
}
