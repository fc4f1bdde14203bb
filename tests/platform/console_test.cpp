#include "platform/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/pseudo_terminal.h"

namespace genopt {
namespace {

using test_support::same_settings;

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    ASSERT_GT(written, 0);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

std::string read_all(int fd) {
  std::string bytes;
  char chunk[4096];
  ssize_t count;
  while ((count = ::read(fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, count);
  return bytes;
}

// A console whose input is a pipe holding `script` (closed unless kept open)
// and whose output is collected from a second pipe.
class ScriptedConsole {
 public:
  explicit ScriptedConsole(std::string_view script, bool keep_input_open = false) {
    EXPECT_EQ(::pipe(input_), 0);
    EXPECT_EQ(::pipe(output_), 0);
    write_all(input_[1], script);
    if (!keep_input_open) close_input();
    console_ = std::make_unique<Console>(input_[0], output_[1]);
  }
  ~ScriptedConsole() {
    console_.reset();
    close_input();
    for (int fd : {input_[0], output_[0], output_[1]}) {
      if (fd >= 0) ::close(fd);
    }
  }
  Console& console() { return *console_; }
  void type(std::string_view bytes) { write_all(input_[1], bytes); }
  void close_input() {
    if (input_[1] >= 0) ::close(input_[1]);
    input_[1] = -1;
  }
  // Everything written to the console so far.
  std::string shown() {
    ::close(output_[1]);
    output_[1] = -1;
    return read_all(output_[0]);
  }

 private:
  int input_[2] = {-1, -1};
  int output_[2] = {-1, -1};
  std::unique_ptr<Console> console_;
};

std::vector<int> poll_keys(Console& console, int count) {
  std::vector<int> keys;
  for (int poll = 0; poll < count; ++poll) keys.push_back(console.poll_key());
  return keys;
}

TEST(Console, ScriptedKeysComeOnePerPollInOrderThenNoKeyForever) {
  ScriptedConsole scripted("a9 1\xff");
  EXPECT_EQ(poll_keys(scripted.console(), 8),
            (std::vector<int>{'a', '9', ' ', '1', 0xff, -1, -1, -1}));
  for (int poll = 0; poll < 100000; ++poll) ASSERT_EQ(scripted.console().poll_key(), -1);
}

// Once bytes come after an idle spell, the rest follow one per poll with no gap,
// also across refills of the read-ahead.
TEST(Console, BytesWrittenToAnOpenPipeAreSeenWithinTheRefillGate) {
  ScriptedConsole scripted("", /*keep_input_open=*/true);
  for (int poll = 0; poll < 1000; ++poll) ASSERT_EQ(scripted.console().poll_key(), -1);
  scripted.type(std::string(5000, 'x') + "8");
  std::this_thread::sleep_for(std::chrono::milliseconds(3));  // the gate opens by time
  int polls = 1;
  while (scripted.console().poll_key() != 'x') {
    ++polls;
    ASSERT_LE(polls, 16) << "bytes waiting for over 2 ms must be seen within a few polls";
  }
  const std::vector<int> rest = poll_keys(scripted.console(), 5001);
  EXPECT_EQ(std::count(rest.begin(), rest.end(), 'x'), 4999);
  EXPECT_EQ(rest[4999], '8');
  EXPECT_EQ(rest[5000], -1);
  scripted.type("9");
  polls = 1;
  while (scripted.console().poll_key() != '9') {
    ++polls;
    ASSERT_LE(polls, 257) << "a waiting key must be seen after at most 256 idle polls";
  }
  scripted.close_input();
  EXPECT_EQ(poll_keys(scripted.console(), 300).back(), -1);
}

TEST(Console, LastOfPBytesComesAtPollPFromAFileOrAPipe) {
  for (const int p : {1, 3, 4096, 4097, 9000}) {
    SCOPED_TRACE(p);
    const std::string script = std::string(p - 1, 'x') + "1";

    char path[] = "/tmp/console_keys_XXXXXX";
    const int file = ::mkstemp(path);
    ASSERT_GE(file, 0);
    ::unlink(path);
    write_all(file, script);
    ASSERT_EQ(::lseek(file, 0, SEEK_SET), 0);
    Console from_file(file, -1);
    ScriptedConsole from_pipe(script);

    for (Console* console : {&from_file, &from_pipe.console()}) {
      const std::vector<int> keys = poll_keys(*console, p + 1);
      EXPECT_EQ(std::count(keys.begin(), keys.end(), 'x'), p - 1);
      EXPECT_EQ(keys[p - 1], '1');
      EXPECT_EQ(keys[p], -1);
    }
    ::close(file);
  }
}

TEST(Console, WaitForLineConsumesExactlyOneLine) {
  struct Case {
    std::string script;
    std::vector<int> keys_after;
  };
  const std::string long_line(10000, 'y');
  const Case cases[] = {
      {"typed text\n98", {'9', '8', -1}},
      {"\n\n1", {'\n', '1', -1}},
      {long_line + "\n1", {'1', -1}},
      {"no end of line", {-1}},
      {"", {-1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script.substr(0, 20));
    ScriptedConsole scripted(c.script);
    scripted.console().wait_for_line();
    EXPECT_EQ(poll_keys(scripted.console(), c.keys_after.size()), c.keys_after);
    EXPECT_EQ(scripted.shown(), "") << "the space key's pause shows no prompt";
  }
}

TEST(Console, PauseEndsOnAnEmptyLineShowingThePromptAfterEveryOtherLine) {
  struct Case {
    std::string script;
    int prompts;
    int key_after;
  };
  const Case cases[] = {
      {"\n9", 1, '9'},
      {"\r\n9", 1, '9'},
      {"dir\n\n9", 2, '9'},
      {"dir\r\n \n\r\n9", 3, '9'},
      {std::string(10000, 'z') + "\n\n9", 2, '9'},
      {"dir\n", 2, -1},
      {"unfinished", 1, -1},
      {"", 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script.substr(0, 20));
    ScriptedConsole scripted(c.script);
    scripted.console().pause("Press - ENTER");
    EXPECT_EQ(scripted.console().poll_key(), c.key_after);
    std::string expected;
    for (int prompt = 0; prompt < c.prompts; ++prompt) expected += " Press - ENTER\n";
    EXPECT_EQ(scripted.shown(), expected);
  }
}

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
