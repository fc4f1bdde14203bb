#include "support/in_process_run.h"

#include <memory>

#include "platform/console.h"
#include "run/run_sequence.h"
#include "state/search_state.h"
#include "support/descriptors.h"
#include "support/line_ends.h"

namespace genopt::test_support {

InProcessRun run_in_process(const ScratchDirectory& directory, const Switches& switches,
                            std::string_view keys) {
  auto state = std::make_unique<SearchState>();
  state->relative_mode = switches.relative_mode;
  state->continuation_mode = switches.continuation_mode;
  state->trace_intermediate = switches.trace_intermediate;
  state->trace_iterations = switches.trace_iterations;
  state->max_attempts = switches.max_attempts;
  directory.write("keys", keys);
  const int input = open_to_read("keys");
  const int output = open_to_write("console");
  InProcessRun run;
  if (input >= 0 && output >= 0) {
    Console console(input, output);
    RunOptions options;
    options.jobs = switches.jobs;
    run.exit_status = run_genopt(*state, console, options);
  }
  close_descriptor(input);
  close_descriptor(output);
  run.console = console_text(directory.read("console"));
  return run;
}

}  // namespace genopt::test_support
