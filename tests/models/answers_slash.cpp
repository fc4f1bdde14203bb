// A slash before any number: the answer ends before it holds one.
#include "model_protocol.h"

int main() {
  model::read_candidate();
  model::answer_text("/ 5");
}
