// Runs far longer than any time limit of the tests, through a process of its
// own as well, so that a limit must end both.
#include <cstdlib>

#include "model_protocol.h"

int main() {
  model::read_candidate();
  return std::system("sleep 3600");
}
