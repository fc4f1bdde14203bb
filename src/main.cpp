// genopt: searches for the minimum of an objective computed by an external
// model program, by a genetic method. Input and report files in the current
// directory; without arguments it runs as the front ends start it.

#include <memory>

#include "platform/console.h"
#include "platform/signals.h"
#include "platform/standard_streams.h"
#include "run/command_line.h"
#include "run/run_sequence.h"
#include "state/search_state.h"

int main(int argc, char** argv) {
  genopt::prepare_standard_streams();
  const genopt::CommandLine command_line = genopt::parse_command_line(argc, argv);
  if (command_line.action != genopt::CommandLineAction::run) {
    return genopt::answer_command_line(command_line);
  }
  genopt::ending_signals::install();
  auto state = std::make_unique<genopt::SearchState>();
  genopt::Console console(genopt::standard_input, genopt::standard_output);
  return genopt::run_genopt(*state, console, command_line.options);
}
