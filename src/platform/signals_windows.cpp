#include <windows.h>

#include "platform/signals.h"
#include "platform/signals_system.h"

namespace genopt::ending_signals {

namespace {

// Runs on a thread of its own; returning FALSE lets the default action end
// the program.
BOOL WINAPI end_program(DWORD) {
  act_before_ending();
  return FALSE;
}

}  // namespace

void install() { SetConsoleCtrlHandler(end_program, TRUE); }

}  // namespace genopt::ending_signals
