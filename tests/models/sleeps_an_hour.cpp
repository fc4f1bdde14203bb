// Runs far longer than any time limit of the tests, and starts nothing.
#include <chrono>
#include <thread>

#include "model_protocol.h"

int main() {
  model::read_candidate();
  std::this_thread::sleep_for(std::chrono::hours(1));
}
