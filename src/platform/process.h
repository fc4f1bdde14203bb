#pragma once
// Starting the model program and waiting for it: the platform's part of the
// model exchange.

#include <string>

namespace genopt {

enum class ModelRun {
  ended,        // the model ran and ended, whatever its exit status or signal
  not_started,  // no such program in the current directory or on PATH, or the start was refused
};

// Looks `program` up in the current directory, then in each directory of PATH,
// starts it directly (no shell) with the arguments "-c" and "-r", standard
// input from the null device and our standard output and error, and waits
// until it ends. Costs about the bare price of starting a process: the caller's memory
// is not copied.
ModelRun run_model(const char* program);

}  // namespace genopt
