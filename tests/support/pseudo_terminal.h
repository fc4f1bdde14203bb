#pragma once
// The genopt binary run in the current directory on a fresh pseudo-terminal,
// as an operator would run it: the slave side is its standard input, output
// and error. The test types into the master side and reads what the program
// shows there; it keeps a descriptor of the slave side to look at the
// terminal's settings. Every wait is bounded, and a program still running
// when the run is destroyed is killed.

#include <gtest/gtest.h>
#include <sys/types.h>
#include <termios.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace genopt::test_support {

using namespace std::chrono_literals;

class TerminalRun {
 public:
  enum class Session {
    // The terminal is the program's controlling terminal, in a session of its
    // own: the terminal's Ctrl-C reaches it.
    own,
    // A process group of its own in our session: a stop signal really stops
    // it, where in a session of its own nobody could continue it.
    ours,
  };

  // Makes the terminal, lets `adjust` change its settings, then starts the program.
  explicit TerminalRun(Session session = Session::own,
                       const std::function<void(termios&)>& adjust = {});
  ~TerminalRun();
  TerminalRun(const TerminalRun&) = delete;
  TerminalRun& operator=(const TerminalRun&) = delete;

  // False when this system has no pseudo-terminals or the program did not start.
  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }

  void type(std::string_view keys) const;
  termios settings() const;
  // The settings the program found when it started.
  const termios& found_settings() const { return found_; }

  // What the program has shown so far (line ends as the terminal makes them).
  const std::string& shown() const { return shown_; }
  // The waits below are deadlines for events, not pauses: they last no longer
  // than the event takes, and are long enough for a loaded machine.
  static constexpr std::chrono::milliseconds deadline = 60s;

  // Reads until `text` is shown at or after `from` (an earlier size of shown()).
  bool wait_for_text(std::string_view text, std::size_t from = 0,
                     std::chrono::milliseconds timeout = deadline);
  // Keeps reading what is shown until `holds` is true.
  bool wait_until(const std::function<bool()>& holds, std::chrono::milliseconds timeout = deadline);
  // Keeps reading what is shown for a while, so that the program never blocks on output.
  void keep_reading_for(std::chrono::milliseconds duration);

  struct End {
    bool ended = false;  // false: still running at the deadline
    int exit_status = -1;
    int signal = 0;
  };
  End wait_for_end(std::chrono::milliseconds timeout = deadline);
  // Waits until the program is stopped by a signal.
  bool wait_for_stop(std::chrono::milliseconds timeout = deadline);

 private:
  void read_shown(std::chrono::milliseconds wait);
  bool collect(int options);

  int master_ = -1;
  int slave_ = -1;
  pid_t pid_ = -1;
  bool reaped_ = false;
  End end_;
  std::string shown_;
  termios found_{};
};

// Flags, control characters and speeds alike.
bool same_settings(const termios& a, const termios& b);

// Whether this machine must give the tests a pseudo-terminal: the environment
// variable GENOPT_REQUIRE_TERMINAL is 1 (CI sets it), so that a terminal test
// cannot pass there by being skipped.
bool terminal_required();

}  // namespace genopt::test_support

// Ends a test that could get no pseudo-terminal: skipped, or failed where
// terminal_required() says there must be one.
#define GENOPT_END_TEST_WITHOUT_TERMINAL(why)                                          \
  do {                                                                                 \
    if (::genopt::test_support::terminal_required()) {                                 \
      FAIL() << (why) << ", and GENOPT_REQUIRE_TERMINAL=1 requires a pseudo-terminal"; \
    }                                                                                  \
    GTEST_SKIP() << (why);                                                             \
  } while (false)
