// Answers like `sphere`, but first waits as long as the file held.txt is in
// its directory: the test decides when the run goes on, and can act while
// genopt waits for the model. Its run is in the call log while it waits.
#include <chrono>
#include <filesystem>
#include <thread>

#include "model_protocol.h"

int main() {
  const std::vector<double> x = model::read_candidate();
  while (std::filesystem::exists("held.txt")) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  model::answer_objective(model::sphere_objective(x));
}
