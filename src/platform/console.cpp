// The console's input, alike on every platform: one read-ahead buffer that
// the key polls and the pauses share, so that keys and lines are taken in the
// order they were typed or written; the system's reads are in
// console_posix.cpp and console_windows.cpp.

#include "platform/console.h"

#include "platform/console_system.h"
#include "platform/refill_gate.h"
#include "platform/signals.h"

namespace genopt {

using console_system::LineRead;
using console_system::Read;

bool RefillGate::refill_due(MonotonicClock now_ns) {
  if (refill_at_once_) return true;
  ++polls_since_refill_;
  if (polls_since_refill_ >= polls_between_refills) return true;
  if (polls_since_refill_ % polls_between_clock_reads != 0) return false;
  return now_ns() - last_refill_ns_ >= ns_between_refills;
}

void RefillGate::close(MonotonicClock now_ns) {
  refill_at_once_ = false;
  polls_since_refill_ = 0;
  last_refill_ns_ = now_ns();
}

struct Console::Platform {
  Platform(int input_fd, int output_fd) : system(input_fd, output_fd) {}

  bool has_byte() const { return next < end; }
  unsigned char take_byte() {
    const auto byte = static_cast<unsigned char>(buffer[next++]);
    if (next == end) gate.open();
    return byte;
  }

  // True when the read brought bytes; the end of the input is remembered.
  bool store(Read read) {
    if (read.result == Read::Result::ended) input_ended = true;
    if (read.result != Read::Result::bytes) return false;
    next = 0;
    end = read.count;
    return true;
  }

  // A key pressed at a console, or the first byte of whatever is waiting.
  int take_waiting_key() {
    if (system.gives_key_events()) {
      const int key = system.take_key_event();
      if (key >= 0) gate.open();
      return key;
    }
    return store(system.read_waiting(buffer, sizeof buffer)) ? take_byte() : -1;
  }

  LineRead read_line() {
    return system.gives_key_events() ? system.read_typed_line() : read_buffered_line();
  }

  // Consumes one line of bytes, in pieces when it is longer than the buffer.
  LineRead read_buffered_line() {
    LineRead line;
    std::size_t length = 0;
    bool first_is_cr = false;
    for (;;) {
      if (!has_byte()) {
        if (input_ended || !store(system.read_blocking(buffer, sizeof buffer))) return line;
        continue;
      }
      const char byte = buffer[next++];
      if (byte == '\n') break;
      if (length == 0) first_is_cr = byte == '\r';
      if (length < 2) ++length;
    }
    if (!has_byte()) gate.open();
    line.complete = true;
    line.empty = length == 0 || (length == 1 && first_is_cr);
    return line;
  }

  console_system::System system;
  RefillGate gate;
  bool input_ended = false;
  std::size_t next = 0;  // first byte not yet taken
  std::size_t end = 0;   // one past the last byte held
  char buffer[4096];
};

Console::Console(int input_fd, int output_fd)
    : platform_(std::make_unique<Platform>(input_fd, output_fd)) {}

Console::~Console() { end_key_mode(); }

// The texts are held in UTF-8 and counted by code point; the platform's
// output converts them where the console wants another form.
Encoding Console::text_encoding() { return Encoding::utf8; }

void Console::write_out(std::string_view bytes) { platform_->system.write_out(bytes); }

int Console::poll_key() {
  Platform& platform = *platform_;
  if (platform.has_byte()) return platform.take_byte();
  if (platform.input_ended || !platform.gate.refill_due(console_system::monotonic_ns)) return -1;
  const int key = platform.take_waiting_key();
  if (key < 0 && !platform.input_ended) platform.gate.close(console_system::monotonic_ns);
  return key;
}

void Console::wait_for_line() {
  platform_->system.begin_line_mode();
  platform_->read_line();
  platform_->system.end_line_mode();
}

void Console::pause(std::string_view prompt) {
  platform_->system.begin_line_mode();
  for (;;) {
    line(prompt);
    const LineRead typed = platform_->read_line();
    if (!typed.complete || typed.empty) break;
  }
  platform_->system.end_line_mode();
}

void Console::begin_key_mode() {
  console_system::System& system = platform_->system;
  if (system.in_key_mode() || !system.record_found_mode()) return;
  // Registered before the mode changes, so that an ending signal from here on
  // finds what to give back.
  ending_signals::set_console_restorer(console_system::restore_found_mode);
  system.enter_key_mode();
}

void Console::end_key_mode() {
  console_system::System& system = platform_->system;
  if (!system.in_key_mode()) return;
  system.leave_key_mode();
  ending_signals::set_console_restorer(nullptr);
}

}  // namespace genopt
