// A valid objective answer, then a failing exit status.
#include "model_protocol.h"

int main() {
  model::answer_objective(model::sphere_objective(model::read_candidate()));
  return 7;
}
