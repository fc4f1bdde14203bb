#pragma once
// The whole program run in-process on a search state of its own, for the
// runs that need a built-in switch on: the binary has them all off.

#include <cstdint>
#include <string>
#include <string_view>

#include "support/scratch_directory.h"

namespace genopt::test_support {

// The built-in switches, as the binary has them unless a test says otherwise.
struct Switches {
  std::int32_t relative_mode = 0;
  std::int32_t continuation_mode = 1;
  std::int32_t trace_intermediate = 0;
  std::int32_t trace_iterations = 0;
  std::int32_t max_attempts = 1'000'000;  // attempts allowed for the initial population
  std::int32_t jobs = 1;                  // model runs side by side (--jobs)
};

struct InProcessRun {
  int exit_status = -1;
  std::string console;  // what the run showed on its console
};

// Runs the program in the scratch directory with `switches` on and `keys`
// as the console's input; the keys and the console output are files there
// too ("keys" and "console").
InProcessRun run_in_process(const ScratchDirectory& directory, const Switches& switches,
                            std::string_view keys);

}  // namespace genopt::test_support
