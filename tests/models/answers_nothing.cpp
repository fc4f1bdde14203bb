// Leaves the work file empty.
#include "model_protocol.h"

int main() {
  model::read_candidate();
  model::answer_text("");
}
