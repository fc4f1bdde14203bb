#pragma once
// The operator's console: lines out, keys and lines in.
//
// The console input is standard input. When it is a terminal, the
// run switches it to single keys without echo (key mode) from its start, and
// the search loop polls them; every pause reads whole lines with echo. When it is a pipe or a file,
// its bytes are the keys, taken one per poll in order, and its end answers every later poll with
// "no key" and ends every pause: nothing can wedge the program.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "text/free_format_writer.h"

namespace genopt {

// The descriptors of the program's own console.
inline constexpr int standard_input = 0;
inline constexpr int standard_output = 1;

class Console {
 public:
  // `input_fd` and `output_fd` stay owned by the caller (0 and 1 in the program).
  Console(int input_fd, int output_fd);
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // The encoding in which console texts are counted and shown; the platform's choice.
  static Encoding text_encoding();

  // One free-format line, written out at once.
  template <class... Items>
  void line(const Items&... items) {
    line_buffer_.clear();
    write_free_format(line_buffer_, text_encoding(), items...);
    write_out(line_buffer_);
  }
  // Bytes written out as they stand.
  void write_out(std::string_view bytes);

  // The next waiting key as its character code, or -1 when none is waiting.
  // Never blocks; nearly free when nothing is waiting.
  int poll_key();

  // Reads one line and discards it (the pause of the space key).
  void wait_for_line();
  // Shows `prompt` as a free-format line and reads lines until an empty one,
  // showing the prompt again after each other line. End of input ends it.
  void pause(std::string_view prompt);

  // Single keys without echo while the run goes on, when the input is a
  // terminal or console; keys typed meanwhile wait for the next poll. The
  // terminal's settings are restored by end_key_mode, by the destructor, and
  // by the ending signals (platform/signals.h, installed before key mode); a
  // stop by SIGTSTP gives them back until the program is continued.
  void begin_key_mode();
  void end_key_mode();

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
  std::string line_buffer_;
};

}  // namespace genopt
