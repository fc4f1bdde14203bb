// Leaves a word where a number is expected.
#include "model_protocol.h"

int main() {
  model::read_candidate();
  model::answer_text("abc\n");
}
