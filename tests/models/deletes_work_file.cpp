// Removes the work file instead of answering.
#include <cstdio>

#include "model_protocol.h"

int main() {
  model::read_candidate();
  return std::remove(model::work_file) == 0 ? 0 : 1;
}
