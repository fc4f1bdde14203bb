// The console on a pseudo-terminal: key mode and its way back, also on signals.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string_view>
#include <thread>

#include "platform/console.h"
#include "platform/signals.h"
#include "support/descriptors.h"
#include "support/pseudo_terminal.h"

namespace genopt {
namespace {

using test_support::same_settings;

void write_all(int fd, std::string_view bytes) { ASSERT_TRUE(test_support::write_all(fd, bytes)); }

// A pseudo-terminal whose slave side plays the operator's console.
class TerminalConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) GENOPT_END_TEST_WITHOUT_TERMINAL("no pseudo-terminals here");
    ASSERT_EQ(::grantpt(master_), 0);
    ASSERT_EQ(::unlockpt(master_), 0);
    slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave_, 0);
    null_ = ::open("/dev/null", O_WRONLY);
    ASSERT_EQ(::tcgetattr(slave_, &found_), 0);
    ASSERT_TRUE(found_.c_lflag & ICANON);
  }
  void TearDown() override {
    for (int fd : {null_, slave_, master_}) {
      if (fd >= 0) ::close(fd);
    }
  }
  termios settings() {
    termios now{};
    EXPECT_EQ(::tcgetattr(slave_, &now), 0);
    return now;
  }
  // Key polls, paced, until one comes or a generous deadline passes.
  static int await_key(Console& console) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      const int key = console.poll_key();
      if (key >= 0) return key;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
  }

  int master_ = -1;
  int slave_ = -1;
  int null_ = -1;
  termios found_{};
};

TEST_F(TerminalConsole, KeyModeTakesSingleKeysWithoutEchoAndGivesTheSettingsBack) {
  {
    Console console(slave_, null_);
    console.begin_key_mode();
    console.begin_key_mode();
    const termios keys = settings();
    EXPECT_FALSE(keys.c_lflag & (ICANON | ECHO));
    EXPECT_EQ(keys.c_cc[VMIN], 0);
    EXPECT_EQ(keys.c_cc[VTIME], 0);

    write_all(master_, "9");
    EXPECT_EQ(await_key(console), '9') << "a key is taken without Enter";
    EXPECT_EQ(console.poll_key(), -1) << "a terminal with no key waiting has not ended";

    console.end_key_mode();
    EXPECT_TRUE(same_settings(settings(), found_));
    console.end_key_mode();
    EXPECT_TRUE(same_settings(settings(), found_));

    console.begin_key_mode();
  }
  EXPECT_TRUE(same_settings(settings(), found_)) << "the destructor gives the settings back";
}

TEST_F(TerminalConsole, PauseInKeyModeReadsEchoedLinesAndReturnsToKeyMode) {
  Console console(slave_, null_);
  console.begin_key_mode();
  const termios keys = settings();
  std::thread paused([&console] { console.pause("Press - ENTER"); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while ((settings().c_lflag & (ICANON | ECHO)) != (ICANON | ECHO) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(settings().c_lflag & (ICANON | ECHO), tcflag_t{ICANON | ECHO});
  write_all(master_, "dir\n\n8");
  paused.join();
  EXPECT_TRUE(same_settings(settings(), keys));
  EXPECT_EQ(await_key(console), '8');
}

// The process dies by the signal, and the terminal is as it was found.
TEST_F(TerminalConsole, SignalInKeyModeGivesTheSettingsBackAndEndsTheProcess) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::alarm(10);  // never hang the test if the signal does not end the child
      ending_signals::install();
      Console console(slave_, null_);
      console.begin_key_mode();
      if (::write(ready[1], "k", 1) != 1) ::_exit(2);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    EXPECT_FALSE(settings().c_lflag & ICANON) << "the child is in key mode";

    ::kill(child, signal_number);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), signal_number);
    EXPECT_TRUE(same_settings(settings(), found_));
  }
}

// A job put in the background after it took key mode, as a shell's "bg" does
// after a stop. Its session leader, standing for the shell, reports what
// becomes of it through `events`.
class BackgroundJob {
 public:
  struct Event {
    // 'p' the job's pid, 'b' it is in the background, 's' stopped, 'r' one
    // of its handlers returned, 'k' killed, 'e' exited
    char what = 0;
    int value = 0;  // the pid, signal or exit status
  };

  BackgroundJob(const char* terminal_name, int output_fd) {
    if (::pipe(events_) != 0) return;
    leader_ = ::fork();
    if (leader_ == 0) lead(terminal_name, output_fd);
    ::close(events_[1]);
    events_[1] = -1;
    if (leader_ <= 0) return;
    const Event pid = next();
    if (pid.what == 'p') job_ = pid.value;
  }
  ~BackgroundJob() {
    for (const pid_t pid : {job_, leader_}) {
      if (pid > 0) ::kill(pid, SIGKILL);
    }
    if (leader_ > 0) ::waitpid(leader_, nullptr, 0);
    for (const int fd : events_) {
      if (fd >= 0) ::close(fd);
    }
  }

  pid_t job() const { return job_; }
  // The next event, or none ('\0') within a generous deadline.
  Event next() {
    Event event;
    pollfd readable{events_[0], POLLIN, 0};
    if (::poll(&readable, 1, 10'000) <= 0) return {};
    if (::read(events_[0], &event, sizeof event) != sizeof event) return {};
    return event;
  }

 private:
  static void tell(int fd, char what, int value) {
    const Event event{what, value};
    if (::write(fd, &event, sizeof event) != sizeof event) ::_exit(2);
  }

  // In a session of its own whose controlling terminal is `terminal_name`.
  [[noreturn]] void lead(const char* terminal_name, int output_fd) {
    ::alarm(10);  // never outlive the test
    ::setsid();
    const int terminal = ::open(terminal_name, O_RDWR);
    ::signal(SIGTTOU, SIG_IGN);  // a shell takes its terminal back from the background
    int in_key_mode[2];
    if (terminal < 0 || ::pipe(in_key_mode) != 0) ::_exit(2);
    const pid_t job = ::fork();
    if (job == 0) run_job(terminal, output_fd, in_key_mode[1]);
    ::setpgid(job, job);
    ::tcsetpgrp(terminal, job);
    tell(events_[1], 'p', job);
    char byte;
    if (::read(in_key_mode[0], &byte, 1) != 1) ::_exit(2);
    ::tcsetpgrp(terminal, ::getpgrp());
    tell(events_[1], 'b', 0);
    for (;;) {
      int status = 0;
      if (::waitpid(job, &status, WUNTRACED) != job) ::_exit(2);
      if (WIFSTOPPED(status)) {
        tell(events_[1], 's', WSTOPSIG(status));
        // Only the stop it was sent is continued ("bg"); any other ends the job.
        ::kill(job, WSTOPSIG(status) == SIGTSTP ? SIGCONT : SIGKILL);
      } else {
        tell(events_[1], WIFSIGNALED(status) ? 'k' : 'e',
             WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
        ::_exit(0);
      }
    }
  }

  // Takes key mode in the foreground, then waits for signals and tells when
  // a handler has returned.
  [[noreturn]] void run_job(int terminal, int output_fd, int in_key_mode) {
    ::setpgid(0, 0);
    ::signal(SIGTTOU, SIG_DFL);
    while (::tcgetpgrp(terminal) != ::getpgrp()) ::usleep(1000);
    ending_signals::install();
    Console console(terminal, output_fd);
    console.begin_key_mode();
    // A stop is taken only inside sigsuspend, so that none comes before the wait.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigset_t waiting;
    ::sigprocmask(SIG_BLOCK, &stop, &waiting);
    if (::write(in_key_mode, "k", 1) != 1) ::_exit(2);
    for (;;) {
      ::sigsuspend(&waiting);
      tell(events_[1], 'r', 0);
    }
  }

  int events_[2] = {-1, -1};
  pid_t leader_ = -1;
  pid_t job_ = -1;
};

// Changing the terminal from the background would stop the job with SIGTTOU:
// the stop's handler and the ending signal's must still get through.
TEST_F(TerminalConsole, InTheBackgroundAStopAndAnEndingSignalStillSetTheTerminal) {
  BackgroundJob job(::ptsname(master_), null_);
  ASSERT_GT(job.job(), 0);
  ASSERT_EQ(job.next().what, 'b');
  const termios keys = settings();
  EXPECT_FALSE(keys.c_lflag & ICANON) << "the job is in key mode";

  ::kill(job.job(), SIGTSTP);
  BackgroundJob::Event event = job.next();
  ASSERT_EQ(event.what, 's');
  EXPECT_EQ(event.value, SIGTSTP);
  event = job.next();  // continued by its leader
  ASSERT_EQ(event.what, 'r') << "then " << event.what << " " << event.value;
  EXPECT_TRUE(same_settings(settings(), keys)) << "key mode is taken up again";

  ::kill(job.job(), SIGTERM);
  event = job.next();
  ASSERT_EQ(event.what, 'k') << "then " << event.what << " " << event.value;
  EXPECT_EQ(event.value, SIGTERM);
  EXPECT_TRUE(same_settings(settings(), found_));
}

}  // namespace
}  // namespace genopt
