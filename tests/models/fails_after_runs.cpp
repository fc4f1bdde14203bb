// Answers like `sphere` for its first 150 runs in a directory, then a word:
// a model that breaks down in the middle of a search.
#include <cstdio>

#include "model_protocol.h"

int main() {
  const std::vector<double> previous = model::numbers_in(model::content_of("runs_so_far.txt"));
  const int runs = previous.empty() ? 1 : static_cast<int>(previous[0]) + 1;
  if (std::FILE* counter = std::fopen("runs_so_far.txt", "w")) {
    std::fprintf(counter, "%d\n", runs);
    std::fclose(counter);
  }
  if (runs > 150) {
    model::answer_text("broken\n");
    return 0;
  }
  model::answer_objective(model::sphere_objective(model::read_candidate()));
}
