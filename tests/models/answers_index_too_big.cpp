// Reports a violated constraint one past the last, M + 1 with M = 2N + K.
#include "model_protocol.h"

int main() {
  model::read_candidate();
  const model::Settings settings = model::read_settings();
  const int M = 2 * static_cast<int>(settings.bounds.size()) + settings.K;
  model::answer_constraint(-1.0, M + 1);
}
