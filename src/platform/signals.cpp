#include "platform/signals.h"

#include <atomic>

#include "platform/signals_system.h"

namespace genopt::ending_signals {

namespace {

// Read in a handler: lock-free atomics are the only shared data safe there.
std::atomic<EndingAction> console_restorer{nullptr};
std::atomic<EndingAction> run_ender{nullptr};
static_assert(std::atomic<EndingAction>::is_always_lock_free);

}  // namespace

void set_console_restorer(EndingAction restore) { console_restorer.store(restore); }

void set_run_ender(EndingAction end_runs) { run_ender.store(end_runs); }

// The console first: ending the runs may take the grace time, and the
// operator's terminal should not stay without echo meanwhile.
void act_before_ending() {
  if (const EndingAction restore = console_restorer.load()) restore();
  if (const EndingAction end_runs = run_ender.load()) end_runs();
}

}  // namespace genopt::ending_signals
