#pragma once
// Between the console's shared part (console.cpp: the read-ahead, its refill
// gate, keys, lines and pauses) and each platform's system calls: the modes
// of the terminal or console, the output and its encoding, and the reads.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace genopt::console_system {

// Nanoseconds on a clock that never goes back.
std::int64_t monotonic_ns();

// What one read into the read-ahead found.
struct Read {
  enum class Result : std::uint8_t { bytes, nothing_now, ended };
  Result result = Result::nothing_now;
  std::size_t count = 0;  // bytes put in the buffer
};

// One line read for a pause.
struct LineRead {
  bool complete = false;  // false when the input ended first
  bool empty = true;      // a lone CR before the line end counts as empty
};

// Gives the terminal or console back the mode key mode found, when one is in
// key mode. Runs inside a signal handler (POSIX) or on the system's control
// thread (Windows): it does only what is safe there.
void restore_found_mode();

// The platform's side of one console.
class System {
 public:
  // `input_fd` and `output_fd` stay owned by the caller.
  System(int input_fd, int output_fd);
  ~System();
  System(const System&) = delete;
  System& operator=(const System&) = delete;

  // The console texts' UTF-8 bytes, in the form the output takes.
  void write_out(std::string_view bytes);

  // A Windows console gives key events and reads typed lines itself, where
  // every other input gives bytes.
  bool gives_key_events() const;
  // The next key pressed, or -1 when none is waiting; other events are dropped.
  int take_key_event();
  // One typed line, with the console's own editing and echo.
  LineRead read_typed_line();

  // Whatever bytes are waiting, without blocking.
  Read read_waiting(char* buffer, std::size_t size);
  // Waits for bytes. A terminal's end of input ends only this wait.
  Read read_blocking(char* buffer, std::size_t size);

  // Key mode: single keys without echo, on a terminal or console only.
  // record_found_mode notes the mode to give back (false when there is none
  // to change), so that restore_found_mode can act before key mode is set.
  bool in_key_mode() const;
  bool record_found_mode();
  void enter_key_mode();
  void leave_key_mode();

  // Whole lines with echo for a pause, also in the middle of key mode.
  void begin_line_mode();
  void end_line_mode();

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
};

}  // namespace genopt::console_system
