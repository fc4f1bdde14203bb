#include <errno.h>
#include <signal.h>

#include "platform/signals.h"
#include "platform/signals_system.h"

namespace genopt::ending_signals {

namespace {

constexpr int ending_signals[] = {SIGINT, SIGTERM, SIGHUP};

// The signal's own default action ends the program once this handler
// returns: it is blocked while the handler runs and raised again here.
extern "C" void end_program(int signal_number) {
  const int saved_errno = errno;
  act_before_ending();
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(signal_number, &default_action, nullptr);
  raise(signal_number);
  errno = saved_errno;
}

}  // namespace

void install() {
  struct sigaction ending {};
  ending.sa_handler = end_program;
  sigemptyset(&ending.sa_mask);
  // A second ending signal waits until the first has ended the runs.
  for (const int signal_number : ending_signals) sigaddset(&ending.sa_mask, signal_number);
  for (const int signal_number : ending_signals) {
    struct sigaction found {};
    sigaction(signal_number, nullptr, &found);
    if (!(found.sa_flags & SA_SIGINFO) && found.sa_handler == SIG_IGN) continue;
    sigaction(signal_number, &ending, nullptr);
  }
}

}  // namespace genopt::ending_signals
