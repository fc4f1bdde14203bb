// genopt on a real terminal: a pseudo-terminal is its console, keys are typed
// into it while the search runs, and the terminal's settings are compared
// before the run and after it, however the run ended.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/model_call_log.h"
#include "support/pseudo_terminal.h"
#include "support/scratch_directory.h"
#include "support/settings_text.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using namespace std::chrono_literals;
using test_support::ScratchDirectory;
using test_support::TerminalRun;
using text::cp1251;

// The first progress line on the console tells that the search loop runs.
constexpr std::string_view progress = " итерация";
constexpr std::string_view prompt = "Press - ENTER";
// Its runs wait while the run directory holds held.txt.
constexpr std::string_view held_model = "waits_while_held";

// Marks that a fresh terminal does not have and that matter only outside line
// mode: the program must give back the settings it found, not settings of its own.
void mark(termios& settings) {
  settings.c_cc[VMIN] = 2;
  settings.c_cc[VTIME] = 3;
  settings.c_lflag &= ~ECHOCTL;
}

bool in_key_mode(const termios& settings) { return (settings.c_lflag & (ICANON | ECHO)) == 0; }

class Terminal : public ::testing::Test {
 protected:
  void SetUp() override {
    const int probe = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (probe < 0) GENOPT_END_TEST_WITHOUT_TERMINAL("no pseudo-terminals here");
    ::close(probe);
  }

  // Two variables and a console period of 1, so that progress shows at once.
  // Every run has a directory of its own: a model of the run before may still be running.
  void start(std::string_view model, TerminalRun::Session session = TerminalRun::Session::own) {
    run_.reset();
    directory_.reset();
    directory_ = std::make_unique<ScratchDirectory>();
    directory_->install_model(model);
    if (model == held_model) directory_->write("held.txt", "");
    directory_->write("&_in_gen.txt", test_support::settings_text(0, 1, 1, {{-5, 5}, {-5, 5}}));
    test_support::start_model_call_log(*directory_);
    run_ = std::make_unique<TerminalRun>(session, mark);
    ASSERT_TRUE(run_->started());
  }

  // genopt is in key mode from the start of the run, and its first model run
  // waits until release_model().
  void start_held_initial_population() {
    ASSERT_NO_FATAL_FAILURE(start(held_model));
    ASSERT_TRUE(run_->wait_until([&] { return model_calls() == 1; })) << run_->shown();
    EXPECT_TRUE(in_key_mode(run_->settings()));
  }
  void release_model() const { std::filesystem::remove(directory_->file("held.txt")); }

  void start_search(TerminalRun::Session session = TerminalRun::Session::own) {
    ASSERT_NO_FATAL_FAILURE(start("sphere", session));
    ASSERT_TRUE(run_->wait_for_text(progress)) << run_->shown();
    ASSERT_TRUE(in_key_mode(run_->settings()));
  }

  // Replaced by rename: a model may be running from the old file.
  void swap_model(std::string_view model) const {
    namespace fs = std::filesystem;
    fs::copy_file(fs::path(GENOPT_MODELS_DIR) / std::string(model), "tarnix.new");
    fs::rename("tarnix.new", "tarnix.exe");
  }

  int model_calls() const {
    return static_cast<int>(test_support::model_calls(*directory_).size());
  }

  bool settings_as_found() const {
    return test_support::same_settings(run_->settings(), run_->found_settings());
  }

  void expect_normal_end() {
    const TerminalRun::End end = run_->wait_for_end();
    ASSERT_TRUE(end.ended) << run_->shown();
    EXPECT_EQ(end.exit_status, 0);
    EXPECT_TRUE(settings_as_found());
  }

  // The failure's pause takes lines with echo, shows the prompt again after a
  // line with text and ends on an empty one.
  void expect_failure_pause_then_end() {
    ASSERT_TRUE(run_->wait_for_text(prompt)) << run_->shown();
    EXPECT_TRUE(settings_as_found());
    const std::size_t before_line = run_->shown().size();
    run_->type("not empty\n");
    ASSERT_TRUE(run_->wait_for_text(prompt, before_line)) << run_->shown();
    EXPECT_NE(run_->shown().find("not empty", before_line), std::string::npos) << "echoed";
    EXPECT_FALSE(run_->wait_for_end(50ms).ended);
    run_->type("\n");
    ASSERT_NO_FATAL_FAILURE(expect_normal_end());
    EXPECT_NE(directory_->read("z_result.txt").find("Misentry from make file &&&_Rab.txt"),
              std::string::npos);
  }

  std::unique_ptr<ScratchDirectory> directory_;
  std::unique_ptr<TerminalRun> run_;  // after the directory: the program ends first
};

TEST_F(Terminal, KeysActWithoutEnterAndOneEndsWithTheResults) {
  ASSERT_NO_FATAL_FAILURE(start_search());
  const std::size_t before_key = run_->shown().size();
  run_->type("9");
  EXPECT_TRUE(run_->wait_for_text(" To Division By 10    1.00000000000000", before_key))
      << run_->shown();
  run_->type("1");
  ASSERT_NO_FATAL_FAILURE(expect_normal_end());
  EXPECT_NE(directory_->read("z_result.txt").find(cp1251<"значение целевой функции -">),
            std::string::npos);
  EXPECT_FALSE(directory_->exists("&&&_Rab.txt"));
}

// Typed while the initial population is drawn, the key waits in the terminal's
// line and is not lost when key mode begins.
TEST_F(Terminal, KeyTypedBeforeTheSearchIsTakenByItsFirstPoll) {
  ASSERT_NO_FATAL_FAILURE(start("sphere"));
  run_->type("1");
  ASSERT_NO_FATAL_FAILURE(expect_normal_end());
  EXPECT_EQ(run_->shown().find(progress), std::string::npos);
  EXPECT_EQ(model_calls(), 101);  // the initial population, then the best point once more
}

// The console shows the ten group lines of the initial population and then
// the key's answer, with no echo of the key anywhere.
TEST_F(Terminal, KeyTypedDuringTheInitialPopulationIsNotEchoedAndActsAtTheFirstPoll) {
  ASSERT_NO_FATAL_FAILURE(start_held_initial_population());
  run_->type("9");
  release_model();
  const std::string_view scale_line = " To Division By 10    1.00000000000000     \r\n";
  ASSERT_TRUE(run_->wait_for_text(scale_line)) << run_->shown();
  std::string expected;
  for (int group = 1; group <= 10; ++group) {
    const std::string number = std::to_string(group);
    expected += std::string(12 - number.size(), ' ') + number;
    expected += "  группа особей (          10  штук)  получена \r\n";
  }
  expected += scale_line;
  EXPECT_EQ(run_->shown().substr(0, run_->shown().find(scale_line) + scale_line.size()), expected);
  run_->type("1");
  ASSERT_NO_FATAL_FAILURE(expect_normal_end());
}

TEST_F(Terminal, SpaceStopsTheModelRunsUntilEnter) {
  ASSERT_NO_FATAL_FAILURE(start_search());
  run_->type(" ");
  // The pause reads its line with echo: from then on no model may run.
  ASSERT_TRUE(run_->wait_until([&] { return !in_key_mode(run_->settings()); }));
  const int paused_at = model_calls();
  run_->keep_reading_for(300ms);
  EXPECT_EQ(model_calls(), paused_at);
  run_->type("\n");
  EXPECT_TRUE(run_->wait_until([&] { return model_calls() > paused_at; }));
  EXPECT_TRUE(in_key_mode(run_->settings()));
  run_->type("1");
  ASSERT_NO_FATAL_FAILURE(expect_normal_end());
}

TEST_F(Terminal, FailureDuringTheSearchPausesWithTheTerminalGivenBack) {
  ASSERT_NO_FATAL_FAILURE(start_search());
  swap_model("answers_word");
  expect_failure_pause_then_end();
}

TEST_F(Terminal, FailureBeforeTheSearchPausesOnTheTerminal) {
  ASSERT_NO_FATAL_FAILURE(start("answers_word"));
  expect_failure_pause_then_end();
}

// Ctrl-C typed, or an ending signal sent, in the search or while the initial
// population waits for a model: the program dies by the signal, with the
// terminal's settings as it found them.
TEST_F(Terminal, EndingSignalEndsTheProgramWithTheTerminalGivenBack) {
  struct Case {
    const char* name;
    int signal;
    bool typed;
  };
  const Case cases[] = {
      {"Ctrl-C typed", SIGINT, true},
      {"SIGINT sent", SIGINT, false},
      {"SIGTERM sent", SIGTERM, false},
      {"SIGHUP sent", SIGHUP, false},
  };
  for (const bool in_search : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (in_search ? " in the search" : " before the search"));
      if (in_search) {
        ASSERT_NO_FATAL_FAILURE(start_search());
      } else {
        ASSERT_NO_FATAL_FAILURE(start_held_initial_population());
      }
      if (c.typed) {
        run_->type("\x03");
      } else {
        ::kill(run_->pid(), c.signal);
      }
      const TerminalRun::End end = run_->wait_for_end();
      ASSERT_TRUE(end.ended);
      EXPECT_EQ(end.signal, c.signal);
      EXPECT_TRUE(settings_as_found());
    }
  }
}

TEST_F(Terminal, StoppedProgramGivesTheTerminalBackAndTakesKeysAgainWhenContinued) {
  ASSERT_NO_FATAL_FAILURE(start_search(TerminalRun::Session::ours));
  ::kill(run_->pid(), SIGTSTP);
  ASSERT_TRUE(run_->wait_for_stop());
  EXPECT_TRUE(settings_as_found());
  ::kill(run_->pid(), SIGCONT);
  ASSERT_TRUE(run_->wait_until([&] { return in_key_mode(run_->settings()); }));
  const std::size_t before_key = run_->shown().size();
  run_->type("9");
  EXPECT_TRUE(run_->wait_for_text("To Division By 10", before_key)) << run_->shown();

  // Stopped in a pause, it is still in that pause when continued.
  run_->type(" ");
  ASSERT_TRUE(run_->wait_until([&] { return !in_key_mode(run_->settings()); }));
  ::kill(run_->pid(), SIGTSTP);
  ASSERT_TRUE(run_->wait_for_stop());
  ::kill(run_->pid(), SIGCONT);
  const int paused_at = model_calls();
  run_->keep_reading_for(100ms);
  EXPECT_FALSE(in_key_mode(run_->settings()));
  EXPECT_EQ(model_calls(), paused_at);
  run_->type("\n1");
  ASSERT_NO_FATAL_FAILURE(expect_normal_end());
}

}  // namespace
}  // namespace genopt
