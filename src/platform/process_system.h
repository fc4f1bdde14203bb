#pragma once
// What each platform gives the model-run engine of process.h: the system
// calls, and nothing of the bookkeeping.

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/process.h"

namespace genopt::model_run_system {

// A run going on. POSIX: `process` is the model's process id, which is also
// its process group. Windows: the process handle and the run's job handle.
struct RunningProcess {
  std::intptr_t process = 0;
  std::intptr_t group = 0;
};

// The platform's own: the program and arguments, found once; each slot's
// directory and environment; how the ends of runs are awaited.
struct Starts;
struct StartsDeleter {
  void operator()(Starts* starts) const;
};
using StartsPointer = std::unique_ptr<Starts, StartsDeleter>;

StartsPointer make_starts(const ModelCommand& command);
void set_directory(Starts& starts, std::int32_t slot, std::string_view directory);
// Finds the programs at the first call, and again after a failed one.
bool start(Starts& starts, std::int32_t slot, RunningProcess& run);

// True once the run's own process has ended; the run is still held.
bool has_ended(const RunningProcess& run);
// Asks the run and all it started to end (Windows: ends them, as a program
// without a console cannot be asked).
void ask_to_end(const RunningProcess& run);
// Ends whatever is left of the run and all it started, and lets it go.
void end_and_release(RunningProcess& run);
// Sleeps until one of `running` ends, or `longest_ms` pass.
void sleep_until_one_ends(Starts& starts, std::span<const RunningProcess> running,
                          std::int64_t longest_ms);
std::int64_t monotonic_ms();

// In a signal handler: ends the runs whose groups are listed (0: none there),
// asked first, by force after the grace time.
void end_from_signal_handler(std::span<const std::atomic<std::intptr_t>> groups,
                             std::int64_t grace_ms);

}  // namespace genopt::model_run_system
