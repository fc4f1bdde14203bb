#pragma once
// Starting the model program and waiting for it: the platform's part of the
// model exchange.

#include <cstdint>
#include <string>

namespace genopt {

enum class ModelRun {
  ended,        // the model ran and ended, whatever its exit status or signal
  not_started,  // no such program in the current directory or on PATH, or the start was refused
  timed_out,    // it ran longer than its time limit and was ended, with whatever it started
};

// Looks `program` up in the current directory, then in each directory of PATH,
// starts it directly (no shell) with the arguments "-c" and "-r", standard
// input from the null device and our standard output and error, and waits
// until it ends. Costs about the bare price of starting a process: the
// caller's memory is not copied.
//
// With `time_limit_seconds` above 0 the model runs in a process group of its
// own; when it has not ended in that time, the group is asked to end, and
// after a short grace time ended by force.
ModelRun run_model(const char* program, std::int32_t time_limit_seconds = 0);

}  // namespace genopt
