// genopt: searches for the minimum of an objective computed by an external
// model program, by a genetic method. No arguments; input and report files
// in the current directory.

#include <memory>

#include "platform/console.h"
#include "platform/standard_streams.h"
#include "run/run_sequence.h"
#include "state/search_state.h"

int main() {
  genopt::prepare_standard_streams();
  auto state = std::make_unique<genopt::SearchState>();
  genopt::Console console(genopt::standard_input, genopt::standard_output);
  return genopt::run_genopt(*state, console);
}
