// The console on scripted input: a pipe or a file; and the gate of its
// key polls on a clock of the test's own. The terminal's key mode is tested
// in console_posix_test.cpp.

#include "platform/console.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/refill_gate.h"
#include "support/descriptors.h"
#include "support/line_ends.h"
#include "support/scratch_directory.h"

namespace genopt {
namespace {

using test_support::close_descriptor;
using test_support::read_all;

void write_all(int fd, std::string_view bytes) { ASSERT_TRUE(test_support::write_all(fd, bytes)); }

// A console whose input is a pipe holding `script` (closed unless kept open)
// and whose output is collected from a second pipe.
class ScriptedConsole {
 public:
  explicit ScriptedConsole(std::string_view script, bool keep_input_open = false) {
    EXPECT_TRUE(test_support::make_pipe(input_));
    EXPECT_TRUE(test_support::make_pipe(output_));
    write_all(input_[1], script);
    if (!keep_input_open) close_input();
    console_ = std::make_unique<Console>(input_[0], output_[1]);
  }
  ~ScriptedConsole() {
    console_.reset();
    close_input();
    for (int fd : {input_[0], output_[0], output_[1]}) close_descriptor(fd);
  }
  Console& console() { return *console_; }
  void type(std::string_view bytes) { write_all(input_[1], bytes); }
  void close_input() {
    close_descriptor(input_[1]);
    input_[1] = -1;
  }
  // Everything written to the console so far.
  std::string shown() {
    close_descriptor(output_[1]);
    output_[1] = -1;
    return test_support::console_text(read_all(output_[0]));
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

    test_support::ScratchDirectory directory;
    directory.write("keys", script);
    const int file = test_support::open_to_read(directory.file("keys"));
    ASSERT_GE(file, 0);
    Console from_file(file, -1);
    ScriptedConsole from_pipe(script);

    for (Console* console : {&from_file, &from_pipe.console()}) {
      const std::vector<int> keys = poll_keys(*console, p + 1);
      EXPECT_EQ(std::count(keys.begin(), keys.end(), 'x'), p - 1);
      EXPECT_EQ(keys[p - 1], '1');
      EXPECT_EQ(keys[p], -1);
    }
    close_descriptor(file);
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

// A clock that the polls move on by a fixed step, and that counts its reads.
struct StepClock {
  static inline std::int64_t now_ns = 0;
  static inline int reads = 0;
  static std::int64_t read() {
    ++reads;
    return now_ns;
  }
};

// The poll at which the gate first opens after a look found nothing, with
// the clock moving on `ns_per_poll` at every poll; the clock is read at most
// once every 8 polls.
int first_refill_after_empty_look(std::int64_t ns_per_poll) {
  RefillGate gate;
  EXPECT_TRUE(gate.refill_due(StepClock::read)) << "a fresh console looks at once";
  StepClock::now_ns = 1'000'000'000;
  gate.close(StepClock::read);
  StepClock::reads = 0;
  for (int poll = 1; poll <= 1000; ++poll) {
    StepClock::now_ns += ns_per_poll;
    if (gate.refill_due(StepClock::read)) {
      EXPECT_LE(StepClock::reads, poll / 8) << "at poll " << poll;
      return poll;
    }
  }
  return -1;
}

TEST(RefillGate, AfterAnEmptyLookOpensAfter256PollsOr2MsSeenAtAnEighthPoll) {
  struct Case {
    std::int64_t ns_per_poll;
    int first_refill;
  };
  const Case cases[] = {
      {0, 256},        // an idle clock: by the count of polls
      {7'000, 256},    // 2 ms would pass at poll 286
      {10'000, 200},   // 2 ms at poll 200, a poll that reads the clock
      {100'000, 24},   // 2 ms at poll 20, seen at the next clock read
      {2'000'000, 8},  // 2 ms at the first poll, seen at the first clock read
      {1'000'000'000, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ns_per_poll);
    EXPECT_EQ(first_refill_after_empty_look(c.ns_per_poll), c.first_refill);
  }
}

TEST(RefillGate, SomethingTakenOpensItForTheNextPoll) {
  RefillGate gate;
  StepClock::now_ns = 0;
  gate.close(StepClock::read);
  EXPECT_FALSE(gate.refill_due(StepClock::read));
  gate.open();
  EXPECT_TRUE(gate.refill_due(StepClock::read));
  EXPECT_TRUE(gate.refill_due(StepClock::read)) << "open until a look finds nothing";
  gate.close(StepClock::read);
  EXPECT_FALSE(gate.refill_due(StepClock::read));
}

}  // namespace
}  // namespace genopt
