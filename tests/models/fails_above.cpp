// Answers like `sphere`, but with a word, which genopt cannot read, for every
// candidate whose first coordinate lies above the number in fails_above.txt:
// a model that breaks down for some candidates, always the same ones.
#include "model_protocol.h"

int main() {
  const std::vector<double> x = model::read_candidate();
  const std::vector<double> limit = model::numbers_in(model::content_of("fails_above.txt"));
  if (!limit.empty() && !x.empty() && x[0] > limit[0]) {
    model::answer_text("broken\n");
    return 0;
  }
  model::answer_objective(model::sphere_objective(x));
}
