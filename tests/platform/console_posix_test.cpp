// The console on a pseudo-terminal: key mode and its way back, also on signals.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string_view>
#include <thread>

#include "platform/console.h"
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

}  // namespace
}  // namespace genopt
