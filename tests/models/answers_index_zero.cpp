// Reports a violated constraint with the index 0, which no constraint has.
#include "model_protocol.h"

int main() {
  model::read_candidate();
  model::answer_constraint(-1.0, 0);
}
