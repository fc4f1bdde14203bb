#pragma once
// The one owner of the signals that end the program: SIGINT, SIGTERM and
// SIGHUP on POSIX; Ctrl-C, Ctrl-Break and the closing of the console on
// Windows. Taken once at start. When one comes, the console is given back
// (if key mode had it), every model run still going is ended with all it
// started, and then the program ends by the signal's default action.
// The console and the model runs only register what is to be done.

namespace genopt::ending_signals {

// Runs inside a signal handler (POSIX) or on the system's control thread
// (Windows): it may do only what is safe there, and must not wait for long.
using EndingAction = void (*)();

// Once, before key mode and before any model run. A signal the program was
// started with ignored (nohup, a shell without job control) stays ignored.
void install();

// What gives the console back its own mode; null when there is none to give.
void set_console_restorer(EndingAction restore);

// What ends every model run still going, with all it started; null when none runs.
void set_run_ender(EndingAction end_runs);

}  // namespace genopt::ending_signals
