// The console on POSIX: output by write(2), input by read(2), and the
// terminal's settings for key mode, given back on a stop (SIGTSTP) and, through
// the ending signals, when the program is ended.

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cassert>

#include "platform/console_system.h"

namespace genopt::console_system {

namespace {

// What the signal handlers need to give the terminal back; only one console
// is in key mode at a time.
struct KeyModeRecord {
  int fd = -1;
  termios found{};  // the terminal's settings before key mode
  struct sigaction stop_action_before {};
};
KeyModeRecord key_mode_record;
volatile sig_atomic_t key_mode_record_valid = 0;

// From a signal handler. A program in the background that changes its
// terminal is stopped by SIGTTOU, which would stop it inside the handler:
// blocked, the change is made.
void set_terminal_in_handler(const termios& settings) {
  sigset_t background_output;
  sigemptyset(&background_output);
  sigaddset(&background_output, SIGTTOU);
  sigset_t mask_before;
  pthread_sigmask(SIG_BLOCK, &background_output, &mask_before);
  tcsetattr(key_mode_record.fd, TCSANOW, &settings);
  pthread_sigmask(SIG_SETMASK, &mask_before, nullptr);
}

// The operator's shell gets the terminal as it was found while we are
// stopped; on continuing, the mode of that moment (keys, or the lines of a
// pause) is taken up again. The stop is the signal's own default action.
extern "C" void restore_terminal_and_stop(int signal_number) {
  const int saved_errno = errno;
  termios current{};
  const bool have_current = key_mode_record_valid && tcgetattr(key_mode_record.fd, &current) == 0;
  if (have_current) set_terminal_in_handler(key_mode_record.found);

  struct sigaction stopping {};
  stopping.sa_handler = SIG_DFL;
  sigemptyset(&stopping.sa_mask);
  struct sigaction ours {};
  sigaction(signal_number, &stopping, &ours);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  sigset_t mask_in_handler;
  raise(signal_number);
  sigprocmask(SIG_UNBLOCK, &just_this, &mask_in_handler);  // stops here until continued
  sigprocmask(SIG_SETMASK, &mask_in_handler, nullptr);
  sigaction(signal_number, &ours, nullptr);

  if (have_current) set_terminal_in_handler(current);
  errno = saved_errno;
}

// A stop ignored from the start (a shell without job control) stays ignored.
void install_stop_handler() {
  struct sigaction& before = key_mode_record.stop_action_before;
  sigaction(SIGTSTP, nullptr, &before);
  if (!(before.sa_flags & SA_SIGINFO) && before.sa_handler == SIG_IGN) return;
  struct sigaction restoring {};
  restoring.sa_handler = restore_terminal_and_stop;
  // The search goes on after a stop: its waits are taken up again.
  restoring.sa_flags = SA_RESTART;
  sigemptyset(&restoring.sa_mask);
  sigaction(SIGTSTP, &restoring, nullptr);
}

void remove_stop_handler() { sigaction(SIGTSTP, &key_mode_record.stop_action_before, nullptr); }

Read got(ssize_t count) { return {Read::Result::bytes, static_cast<std::size_t>(count)}; }
constexpr Read nothing_now{Read::Result::nothing_now};
constexpr Read ended{Read::Result::ended};

}  // namespace

void restore_found_mode() {
  if (key_mode_record_valid) set_terminal_in_handler(key_mode_record.found);
}

std::int64_t monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

struct System::Handles {
  Handles(int input, int output)
      : input_fd(input), output_fd(output), input_is_terminal(isatty(input) == 1) {}

  const int input_fd;
  const int output_fd;
  const bool input_is_terminal;
  bool in_key_mode = false;
  termios found{};  // the terminal's own settings, given back after key mode
  termios keys{};
};

System::System(int input_fd, int output_fd)
    : handles_(std::make_unique<Handles>(input_fd, output_fd)) {}

System::~System() = default;

// Terminals here show UTF-8, the form in which the console texts are held.
void System::write_out(std::string_view bytes) {
  // Best effort: a closed or failing console must not stop the search.
  while (!bytes.empty()) {
    const ssize_t written = ::write(handles_->output_fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// A terminal gives bytes, as a pipe or a file does.
bool System::gives_key_events() const { return false; }
int System::take_key_event() { return -1; }
LineRead System::read_typed_line() { return {}; }

Read System::read_waiting(char* buffer, std::size_t size) {
  const int input_fd = handles_->input_fd;
  pollfd waiting{input_fd, POLLIN, 0};
  if (::poll(&waiting, 1, 0) <= 0) return nothing_now;
  const ssize_t count = ::read(input_fd, buffer, size);
  if (count > 0) return got(count);
  if (count < 0) return (errno == EAGAIN || errno == EINTR) ? nothing_now : ended;
  // A terminal in key mode reads 0 when no key is there; only a hang-up ends it.
  if (handles_->input_is_terminal && !(waiting.revents & POLLHUP)) return nothing_now;
  return ended;
}

// A terminal's end of input (Ctrl-D) ends only this wait.
Read System::read_blocking(char* buffer, std::size_t size) {
  const int input_fd = handles_->input_fd;
  for (;;) {
    const ssize_t count = ::read(input_fd, buffer, size);
    if (count > 0) return got(count);
    if (count == 0) return handles_->input_is_terminal ? nothing_now : ended;
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return ended;
    pollfd waiting{input_fd, POLLIN, 0};
    ::poll(&waiting, 1, -1);
  }
}

bool System::in_key_mode() const { return handles_->in_key_mode; }

bool System::record_found_mode() {
  Handles& handles = *handles_;
  if (!handles.input_is_terminal || tcgetattr(handles.input_fd, &handles.found) != 0) return false;
  assert(!key_mode_record_valid && "one console in key mode at a time");
  key_mode_record.fd = handles.input_fd;
  key_mode_record.found = handles.found;
  key_mode_record_valid = 1;
  return true;
}

void System::enter_key_mode() {
  Handles& handles = *handles_;
  handles.keys = handles.found;
  handles.keys.c_lflag &= ~(ICANON | ECHO);
  handles.keys.c_cc[VMIN] = 0;
  handles.keys.c_cc[VTIME] = 0;
  install_stop_handler();
  tcsetattr(handles.input_fd, TCSANOW, &handles.keys);
  handles.in_key_mode = true;
}

void System::leave_key_mode() {
  Handles& handles = *handles_;
  tcsetattr(handles.input_fd, TCSANOW, &handles.found);
  remove_stop_handler();
  key_mode_record_valid = 0;
  handles.in_key_mode = false;
}

// Lines are read in canonical mode with echo; outside key mode the terminal
// is as the operator left it.
void System::begin_line_mode() {
  const Handles& handles = *handles_;
  if (!handles.in_key_mode) return;
  termios lines = handles.found;
  lines.c_lflag |= ICANON | ECHO;
  tcsetattr(handles.input_fd, TCSANOW, &lines);
}

void System::end_line_mode() {
  const Handles& handles = *handles_;
  if (handles.in_key_mode) tcsetattr(handles.input_fd, TCSANOW, &handles.keys);
}

}  // namespace genopt::console_system
