// A valid objective answer, and a child left running in the background, as
// a model that starts a helper (a licence check, a solver daemon) and forgets it.
#include <unistd.h>

#include "model_protocol.h"

int main() {
  const std::vector<double> x = model::read_candidate();
  if (fork() == 0) {
    sleep(3600);
    _exit(0);
  }
  model::answer_objective(model::sphere_objective(x));
}
