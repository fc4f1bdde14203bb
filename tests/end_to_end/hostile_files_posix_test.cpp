// Files that are not what they should be, and a second run in the same
// directory: each ends with a message, never a hang, an endless read or a
// run that uses another's files.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "support/binary_run.h"
#include "support/file_content.h"
#include "support/key_scripts.h"
#include "support/scratch_directory.h"
#include "text/code_page.h"

extern char** environ;

namespace genopt {
namespace {

namespace fs = std::filesystem;
using test_support::ProgramRun;
using test_support::run_genopt;
using test_support::ScratchDirectory;
using text::cp1251;

const char* const two_variables = "'p'\n0\n1 1\n-5 5\n-5 5\n";

std::string two_lines(std::string_view russian, std::string_view english) {
  std::string lines;
  lines.append(" ").append(russian).append("\n ").append(english).append("\n");
  return lines;
}

TEST(HostileFiles, PipeInPlaceOfAnInputOrReportFileIsRefusedNotWaitedOn) {
  {
    ScratchDirectory directory;
    ASSERT_EQ(::mkfifo("&_in_gen.txt", 0644), 0);
    const ProgramRun run = run_genopt();
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(directory.read("z_result.txt"),
              two_lines(cp1251<"Ошибка ввода из файла &_in_gen.txt">,
                        "Misentry from make file &_in_gen.txt"));
  }
  {
    ScratchDirectory directory;
    directory.write("&_in_gen.txt", two_variables);
    directory.install_model("sphere");
    ASSERT_EQ(::mkfifo("z_result.txt", 0644), 0);
    const ProgramRun run = run_genopt();
    EXPECT_NE(run.exit_status, 0);
    EXPECT_NE(run.errors.find("genopt: z_result.txt: "), std::string::npos) << run.errors;
  }
}

TEST(HostileFiles, EndlessInputFileIsRefusedAsItsInputFailure) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", two_variables);
  fs::create_symlink("/dev/zero", "&&_in_X_start.txt");
  const ProgramRun run = run_genopt();
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(directory.read("z_result.txt"),
            two_lines(cp1251<"Ошибка ВВОДА из файла &&_in_X_start.txt">,
                      "Misentry from file &&_in_X_start.txt"));
}

TEST(HostileFiles, EndlessFileInPlaceOfTheAnswerIsAMisentry) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", two_variables);
  directory.install_model("links_work_file_to_zero");
  const ProgramRun run = run_genopt();
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(directory.read("z_result.txt"),
            two_lines(cp1251<"Ошибка ввода из рабочего файла &&&_Rab.txt">,
                      "Misentry from make file &&&_Rab.txt"));
}

TEST(OneRunPerDirectory, SecondRunRefusesBeforeWritingAnything) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", two_variables);
  directory.install_model("sphere");
  const std::set<std::string> before = directory.names();
  {
    files::DirectoryLock first_run;  // stands for a run that is going on
    ASSERT_TRUE(first_run.take());
    const ProgramRun second = run_genopt();
    EXPECT_EQ(second.exit_status, 1);
    EXPECT_EQ(second.errors, "genopt: another run is using this directory\n");
    EXPECT_EQ(second.console, "");
    EXPECT_EQ(directory.names(), before);
  }
  // Once the first is over, the directory is free again.
  EXPECT_EQ(run_genopt(test_support::stop_at_poll(1)).exit_status, 0);
}

// The binary with `arguments` through the shell, standard input from the null
// device; the exit status, what it showed on its console and its errors.
struct ShellRun {
  int exit_status = -1;
  std::string console;
  std::string errors;
};

ShellRun run_with_arguments(const ScratchDirectory& directory, const std::string& arguments) {
  const std::string io = directory.path() + "-io";
  fs::create_directory(io);
  const std::string command = std::string("'") + GENOPT_BINARY + "' " + arguments +
                              " </dev/null >'" + io + "/out' 2>'" + io + "/err'";
  const int status = std::system(command.c_str());
  ShellRun run;
  run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.console = test_support::file_content(io + "/out");
  run.errors = test_support::file_content(io + "/err");
  fs::remove_all(io);
  return run;
}

// The processes other than this one whose current directory is `directory`.
int processes_in(const std::string& directory) {
  int count = 0;
  const std::string ours = std::to_string(::getpid());
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name == ours || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code unreadable;
    const fs::path cwd = fs::read_symlink(entry.path() / "cwd", unreadable);
    if (!unreadable && (cwd == fs::path(directory) || cwd.string().starts_with(directory + '/'))) {
      ++count;
    }
  }
  return count;
}

// The processes still in `directory` once those sent a signal to end have
// had up to 5 s to go: a signal takes effect only when its process next runs.
int processes_left_in(const std::string& directory) {
  for (int wait = 0; wait < 500 && processes_in(directory) > 0; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return processes_in(directory);
}

TEST(CommandLineOptions, BadOptionIsRefusedWithUsageAndNothingWritten) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", two_variables);
  const std::set<std::string> before = directory.names();
  const ShellRun run = run_with_arguments(directory, "--model-timeout soon");
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(run.errors.rfind("genopt: --model-timeout takes a whole number of seconds from 1 to "
                             "2000000, not 'soon'\nusage: genopt ",
                             0),
            0u)
      << run.errors;
  EXPECT_EQ(run.console, "");
  EXPECT_EQ(directory.names(), before);
  const ShellRun help = run_with_arguments(directory, "--help");
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.console.rfind("usage: genopt ", 0), 0u);
  EXPECT_EQ(directory.names(), before);
}

// A model that never ends would hold an unattended run for ever. Side by
// side, the first run to outlast the limit ends the run, and the runs after
// it are ended too, with all they started; their slots stay to look at.
TEST(CommandLineOptions, ModelTimeLimitEndsTheModelWithAllItStartedAndTheRun) {
  for (const char* arguments : {"--model-timeout 1", "--model-timeout 1 --jobs 3"}) {
    SCOPED_TRACE(arguments);
    ScratchDirectory directory;
    directory.write("&_in_gen.txt", two_variables);
    directory.install_model("never_ends");
    const ShellRun run = run_with_arguments(directory, arguments);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(directory.read("z_result.txt"),
              two_lines(cp1251<"Модель tarnix.exe не завершилась за 1 с">,
                        "Model tarnix.exe did not finish in 1 s"));
    EXPECT_EQ(run.console, " Model tarnix.exe did not finish in 1 s\n Press - ENTER\n");
    EXPECT_EQ(processes_left_in(directory.path()), 0);
    EXPECT_EQ(directory.exists("genopt-slots/3/&&&_Rab.txt"),
              std::string(arguments).ends_with("3"));
  }
}

// Starts the binary in the current directory, its streams in files named
// after `stem`, without waiting for it.
pid_t start_genopt(const std::string& keys_file, const std::string& stem,
                   const std::vector<std::string>& arguments = {}) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, keys_file.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, (stem + ".out").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, (stem + ".err").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // The ending signals act as they do for a user, whatever the test was started with.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t ending;
  sigemptyset(&ending);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&ending, signal_number);
  posix_spawnattr_setsigdefault(&attributes, &ending);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> argv{const_cast<char*>(GENOPT_BINARY)};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, GENOPT_BINARY, &actions, &attributes, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return pid;
}

int exit_status_of(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every model run has a process group of its own, which a signal to the
// terminal's group does not reach: genopt ends each run with all it started
// before it goes itself, one run or three, with a time limit or without.
TEST(EndingSignals, EndEveryModelRunWithAllItStarted) {
  for (const int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"--model-timeout", "100"},
                                               {"--jobs", "3"},
                                               {"--jobs", "3", "--model-timeout", "100"}}) {
      const int runs = arguments.size() >= 2 && arguments[1] == "3" ? 3 : 1;
      SCOPED_TRACE(testing::Message() << "signal " << signal_number << ", " << runs << " runs, "
                                      << arguments.size() << " arguments");
      ScratchDirectory directory;
      directory.write("&_in_gen.txt", two_variables);
      directory.install_model("never_ends");
      directory.write("keys", "");
      const pid_t genopt = start_genopt("keys", "run", arguments);
      ASSERT_GT(genopt, 0);
      // genopt itself, then each model with the shell and sleep it started.
      for (int wait = 0; wait < 6000 && processes_in(directory.path()) < 1 + runs * 3; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      ASSERT_EQ(processes_in(directory.path()), 1 + runs * 3);
      ::kill(genopt, signal_number);
      int status = 0;
      while (::waitpid(genopt, &status, 0) < 0 && errno == EINTR) {
      }
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number);
      EXPECT_EQ(processes_left_in(directory.path()), 0);
    }
  }
}

// A model that leaves a child running when it ends: the child goes with its
// run, at once, one run at a time and side by side.
TEST(ModelRuns, WhatAModelLeavesRunningEndsWithItsRun) {
  for (const char* jobs : {"1", "3"}) {
    SCOPED_TRACE(jobs);
    ScratchDirectory directory;
    directory.write("&_in_gen.txt", two_variables);
    directory.install_model("leaves_child_behind");
    const ProgramRun run =
        test_support::run_genopt(test_support::stop_at_poll(10 * 2 + 3),
                                 test_support::StandardInput::file, {"--jobs", jobs});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(processes_left_in(directory.path()), 0);
  }
}

// Two runs started together, many times over: exactly one runs, the other
// refuses, and the reports are those of a run alone.
TEST(OneRunPerDirectory, OfTwoRunsStartedTogetherOneRunsAndTheOtherRefuses) {
  const std::string keys = test_support::stop_at_poll(10 * 20 + 3);
  std::string alone_result;
  std::string alone_selection;
  {
    ScratchDirectory directory;
    directory.write("&_in_gen.txt", two_variables);
    directory.install_model("sphere");
    ASSERT_EQ(run_genopt(keys).exit_status, 0);
    alone_result = directory.read("z_result.txt");
    alone_selection = directory.read("z_selection.txt");
  }
  for (int trial = 0; trial < 10; ++trial) {
    ScratchDirectory directory;
    directory.write("&_in_gen.txt", two_variables);
    directory.install_model("sphere");
    const std::string io = directory.path() + "-io";
    fs::create_directory(io);
    std::ofstream(io + "/keys") << keys;
    const pid_t first = start_genopt(io + "/keys", io + "/1");
    const pid_t second = start_genopt(io + "/keys", io + "/2");
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    const int statuses[] = {exit_status_of(first), exit_status_of(second)};
    const std::string errors[] = {test_support::file_content(io + "/1.err"),
                                  test_support::file_content(io + "/2.err")};
    fs::remove_all(io);
    const int ran = statuses[0] == 0 ? 0 : 1;
    EXPECT_EQ(statuses[ran], 0) << "trial " << trial;
    EXPECT_EQ(statuses[1 - ran], 1) << "trial " << trial;
    EXPECT_EQ(errors[1 - ran], "genopt: another run is using this directory\n");
    EXPECT_EQ(directory.read("z_result.txt"), alone_result) << "trial " << trial;
    EXPECT_EQ(directory.read("z_selection.txt"), alone_selection) << "trial " << trial;
  }
}

}  // namespace
}  // namespace genopt
