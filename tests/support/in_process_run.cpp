#include "support/in_process_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <memory>

#include "platform/console.h"
#include "run/run_sequence.h"
#include "state/search_state.h"

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
  const int input = ::open("keys", O_RDONLY | O_CLOEXEC);
  const int output = ::open("console", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  InProcessRun run;
  if (input >= 0 && output >= 0) {
    Console console(input, output);
    run.exit_status = run_genopt(*state, console);
  }
  if (input >= 0) ::close(input);
  if (output >= 0) ::close(output);
  run.console = directory.read("console");
  return run;
}

}  // namespace genopt::test_support
