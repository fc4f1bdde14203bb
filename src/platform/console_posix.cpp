// The console on POSIX: output by write(2), input through one read-ahead
// buffer that the key polls and the pauses share, so that keys and lines are
// taken in the order they were typed or written.

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cassert>
#include <cstdint>

#include "platform/console.h"

namespace genopt {
namespace {

constexpr int kHandledSignals[4] = {SIGINT, SIGTERM, SIGHUP, SIGTSTP};

// What the signal handlers need to give the terminal back; only one console
// is in key mode at a time.
struct KeyModeRecord {
  int fd = -1;
  termios found{};  // the terminal's settings before key mode
  struct sigaction previous[4]{};
};
KeyModeRecord key_mode_record;
volatile sig_atomic_t key_mode_record_valid = 0;

int signal_slot(int signal_number) {
  for (int slot = 0; slot < 4; ++slot) {
    if (kHandledSignals[slot] == signal_number) return slot;
  }
  return -1;
}

// Gives the terminal back, then lets the signal's previous action end the program.
extern "C" void restore_terminal_and_reraise(int signal_number) {
  const int saved_errno = errno;
  if (key_mode_record_valid) tcsetattr(key_mode_record.fd, TCSANOW, &key_mode_record.found);
  const int slot = signal_slot(signal_number);
  if (slot >= 0) sigaction(signal_number, &key_mode_record.previous[slot], nullptr);
  // Blocked while this handler runs; delivered again as soon as it returns.
  raise(signal_number);
  errno = saved_errno;
}

// The operator's shell gets the terminal as it was found while we are
// stopped; on continuing, the mode of that moment (keys, or the lines of a
// pause) is taken up again. The stop is the signal's own default action.
extern "C" void restore_terminal_and_stop(int signal_number) {
  const int saved_errno = errno;
  termios current{};
  const bool have_current = key_mode_record_valid && tcgetattr(key_mode_record.fd, &current) == 0;
  if (have_current) tcsetattr(key_mode_record.fd, TCSANOW, &key_mode_record.found);

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

  if (have_current) tcsetattr(key_mode_record.fd, TCSANOW, &current);
  errno = saved_errno;
}

void install_restoring_handlers() {
  for (int slot = 0; slot < 4; ++slot) {
    struct sigaction& previous = key_mode_record.previous[slot];
    sigaction(kHandledSignals[slot], nullptr, &previous);
    // A signal ignored from the start (nohup, a shell without job control) stays ignored.
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN) continue;
    struct sigaction restoring {};
    const bool stops = kHandledSignals[slot] == SIGTSTP;
    restoring.sa_handler = stops ? restore_terminal_and_stop : restore_terminal_and_reraise;
    // The search goes on after a stop: its waits are taken up again.
    restoring.sa_flags = stops ? SA_RESTART : 0;
    sigemptyset(&restoring.sa_mask);
    sigaction(kHandledSignals[slot], &restoring, nullptr);
  }
}

void remove_restoring_handlers() {
  for (int slot = 0; slot < 4; ++slot) {
    sigaction(kHandledSignals[slot], &key_mode_record.previous[slot], nullptr);
  }
}

std::int64_t monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

enum class Refill { got_bytes, nothing_now, ended };

}  // namespace

struct Console::Platform {
  // After a refill found nothing, the next one waits for this many polls or
  // this much time, whichever comes first: the poll must stay nearly free
  // while still seeing a key within milliseconds at any poll rate. The clock
  // is read only every few polls, as it may cost a system call.
  static constexpr int kPollsBetweenRefills = 256;
  static constexpr int kPollsBetweenClockReads = 8;
  static constexpr std::int64_t kNsBetweenRefills = 2'000'000;

  Platform(int input, int output)
      : input_fd(input), output_fd(output), input_is_terminal(isatty(input) == 1) {}

  bool has_byte() const { return next < end; }
  unsigned char take_byte() {
    const auto byte = static_cast<unsigned char>(buffer[next++]);
    if (next == end) refill_at_once = true;
    return byte;
  }

  bool refill_due() {
    if (refill_at_once) return true;
    ++polls_since_refill;
    if (polls_since_refill >= kPollsBetweenRefills) return true;
    if (polls_since_refill % kPollsBetweenClockReads != 0) return false;
    return monotonic_ns() - last_refill_ns >= kNsBetweenRefills;
  }

  void note_empty_refill() {
    refill_at_once = false;
    polls_since_refill = 0;
    last_refill_ns = monotonic_ns();
  }

  // Takes what is waiting, without blocking.
  Refill refill_if_waiting() {
    pollfd waiting{input_fd, POLLIN, 0};
    if (::poll(&waiting, 1, 0) <= 0) return Refill::nothing_now;
    const ssize_t count = ::read(input_fd, buffer, sizeof buffer);
    if (count > 0) return store(count);
    if (count < 0) return (errno == EAGAIN || errno == EINTR) ? Refill::nothing_now : end_input();
    // A terminal in key mode reads 0 when no key is there; only a hang-up ends it.
    if (input_is_terminal && !(waiting.revents & POLLHUP)) return Refill::nothing_now;
    return end_input();
  }

  // Waits for input. A terminal's end of input (Ctrl-D) ends only this wait.
  Refill refill_blocking() {
    for (;;) {
      const ssize_t count = ::read(input_fd, buffer, sizeof buffer);
      if (count > 0) return store(count);
      if (count == 0) return input_is_terminal ? Refill::nothing_now : end_input();
      if (errno == EINTR) continue;
      if (errno != EAGAIN) return end_input();
      pollfd waiting{input_fd, POLLIN, 0};
      ::poll(&waiting, 1, -1);
    }
  }

  Refill store(ssize_t count) {
    next = 0;
    end = static_cast<std::size_t>(count);
    return Refill::got_bytes;
  }
  Refill end_input() {
    input_ended = true;
    return Refill::ended;
  }

  // Consumes one line, in pieces when it is longer than the buffer; tells
  // whether it was empty (a lone CR before the LF counts as empty).
  struct LineRead {
    bool complete = false;  // false when the input ended first
    bool empty = true;
  };
  LineRead read_line() {
    LineRead line;
    std::size_t length = 0;
    bool first_is_cr = false;
    for (;;) {
      if (!has_byte()) {
        if (input_ended || refill_blocking() != Refill::got_bytes) return line;
        continue;
      }
      const char byte = buffer[next++];
      if (byte == '\n') break;
      if (length == 0) first_is_cr = byte == '\r';
      if (length < 2) ++length;
    }
    if (!has_byte()) refill_at_once = true;
    line.complete = true;
    line.empty = length == 0 || (length == 1 && first_is_cr);
    return line;
  }

  // Lines are read in canonical mode with echo, also in the middle of key mode.
  void begin_line_mode() {
    if (!in_key_mode) return;
    termios lines = found_termios;
    lines.c_lflag |= ICANON | ECHO;
    tcsetattr(input_fd, TCSANOW, &lines);
  }
  void end_line_mode() {
    if (in_key_mode) tcsetattr(input_fd, TCSANOW, &key_termios);
  }

  const int input_fd;
  const int output_fd;
  const bool input_is_terminal;
  bool in_key_mode = false;
  termios found_termios{};  // the terminal's own settings, given back after key mode
  termios key_termios{};

  bool input_ended = false;
  bool refill_at_once = true;  // the buffer was just emptied: look at once
  int polls_since_refill = 0;
  std::int64_t last_refill_ns = 0;
  std::size_t next = 0;  // first byte not yet taken
  std::size_t end = 0;   // one past the last byte held
  char buffer[4096];
};

Console::Console(int input_fd, int output_fd)
    : platform_(std::make_unique<Platform>(input_fd, output_fd)) {}

Console::~Console() { end_key_mode(); }

// Terminals here show UTF-8, the form in which the console texts are held.
Encoding Console::text_encoding() { return Encoding::utf8; }

void Console::write_out(std::string_view bytes) {
  // Best effort: a closed or failing console must not stop the search.
  while (!bytes.empty()) {
    const ssize_t written = ::write(platform_->output_fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

int Console::poll_key() {
  Platform& platform = *platform_;
  if (platform.has_byte()) return platform.take_byte();
  if (platform.input_ended || !platform.refill_due()) return -1;
  if (platform.refill_if_waiting() == Refill::got_bytes) return platform.take_byte();
  if (!platform.input_ended) platform.note_empty_refill();
  return -1;
}

void Console::wait_for_line() {
  platform_->begin_line_mode();
  platform_->read_line();
  platform_->end_line_mode();
}

void Console::pause(std::string_view prompt) {
  platform_->begin_line_mode();
  for (;;) {
    line(prompt);
    const Platform::LineRead typed = platform_->read_line();
    if (!typed.complete || typed.empty) break;
  }
  platform_->end_line_mode();
}

void Console::begin_key_mode() {
  Platform& platform = *platform_;
  if (platform.in_key_mode || !platform.input_is_terminal) return;
  assert(!key_mode_record_valid && "one console in key mode at a time");
  termios found{};
  if (tcgetattr(platform.input_fd, &found) != 0) return;
  platform.found_termios = found;
  platform.key_termios = found;
  platform.key_termios.c_lflag &= ~(ICANON | ECHO);
  platform.key_termios.c_cc[VMIN] = 0;
  platform.key_termios.c_cc[VTIME] = 0;

  key_mode_record.fd = platform.input_fd;
  key_mode_record.found = found;
  key_mode_record_valid = 1;
  install_restoring_handlers();
  tcsetattr(platform.input_fd, TCSANOW, &platform.key_termios);
  platform.in_key_mode = true;
}

void Console::end_key_mode() {
  Platform& platform = *platform_;
  if (!platform.in_key_mode) return;
  tcsetattr(platform.input_fd, TCSANOW, &platform.found_termios);
  remove_restoring_handlers();
  key_mode_record_valid = 0;
  platform.in_key_mode = false;
}

}  // namespace genopt
