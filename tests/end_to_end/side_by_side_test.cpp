// Model runs side by side (--jobs) against the same search one run at a time:
// for a model that answers the same for the same candidate, every report file
// and the console must be the same bytes for every number of jobs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "support/binary_run.h"
#include "support/build_paths.h"
#include "support/environment_variable.h"
#include "support/in_process_run.h"
#include "support/key_scripts.h"
#include "support/scratch_directory.h"
#include "support/temporary_directory.h"
#include "support/text_search.h"

namespace genopt {
namespace {

namespace fs = std::filesystem;
using test_support::ProgramRun;
using test_support::run_genopt;
using test_support::run_in_process;
using test_support::ScratchDirectory;
using test_support::StandardInput;
using test_support::stop_at_poll;
using test_support::Switches;

// What a run leaves for its user: exit status, console, every report file,
// and the work file, which a failure leaves with the failing answer.
struct RunResult {
  int exit_status = -1;
  std::string console;
  std::string errors;
  std::map<std::string, std::string> reports;
  bool slots_left = false;
};

using Preparation = std::function<void(const ScratchDirectory&)>;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

RunResult run_case(const Preparation& prepare, const std::string& keys,
                   std::vector<std::string> arguments) {
  ScratchDirectory directory;
  prepare(directory);
  const ProgramRun run = run_genopt(keys, StandardInput::file, arguments);
  RunResult result{run.exit_status, run.console, run.errors, {}, directory.exists("genopt-slots")};
  for (const fs::directory_entry& entry : fs::directory_iterator(directory.path())) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("z_") || name == "&&&_Rab.txt")
      result.reports[name] = directory.read(name);
  }
  return result;
}

void expect_same_run(const RunResult& serial, const RunResult& side_by_side, int jobs) {
  EXPECT_EQ(side_by_side.exit_status, serial.exit_status) << "jobs " << jobs;
  EXPECT_EQ(side_by_side.console, serial.console) << "jobs " << jobs;
  EXPECT_EQ(side_by_side.errors, serial.errors) << "jobs " << jobs;
  EXPECT_EQ(side_by_side.reports.size(), serial.reports.size()) << "jobs " << jobs;
  for (const auto& [name, content] : serial.reports) {
    const auto found = side_by_side.reports.find(name);
    ASSERT_NE(found, side_by_side.reports.end()) << name << " missing with jobs " << jobs;
    EXPECT_TRUE(found->second == content) << name << " differs with jobs " << jobs;
  }
}

constexpr int every_jobs[] = {1, 2, 3, 7, 10};
constexpr int fewer_jobs[] = {3};

// Where programs start slowly, one number of jobs.
std::span<const int> jobs_to_compare() {
  if (test_support::program_starts_are_slow()) return fewer_jobs;
  return every_jobs;
}

// The serial run, then each number of jobs against it; the serial run is returned.
RunResult expect_same_for_every_jobs(const Preparation& prepare, const std::string& keys,
                                     std::span<const int> jobs_to_try = jobs_to_compare()) {
  const RunResult serial = run_case(prepare, keys, {});
  EXPECT_FALSE(serial.reports.empty());
  for (const int jobs : jobs_to_try) {
    const RunResult side_by_side = run_case(prepare, keys, {"--jobs", std::to_string(jobs)});
    expect_same_run(serial, side_by_side, jobs);
    // A normal end takes the slot directories away; a failure leaves them to look at.
    const bool failed = serial.console.find("Press - ENTER") != std::string::npos;
    EXPECT_EQ(side_by_side.slots_left, failed && jobs > 1) << "jobs " << jobs;
  }
  return serial;
}

Preparation example(const std::string& name) {
  return [name](const ScratchDirectory& directory) {
    const fs::path inputs = fs::path(GENOPT_EXAMPLES_SOURCE_DIR) / name;
    for (const char* input : {"&_in_gen.txt", "&&_in_iZEL.txt", "&&_in_X_start.txt"}) {
      if (fs::exists(inputs / input)) fs::copy_file(inputs / input, directory.file(input));
    }
    fs::copy_file(fs::path(GENOPT_EXAMPLES_BINARY_DIR) / name / "tarnix.exe",
                  directory.file("tarnix.exe"));
  };
}

Preparation model_with_settings(const std::string& model, const std::string& settings,
                                const std::string& fails_above = {}) {
  return [=](const ScratchDirectory& directory) {
    directory.install_model(model);
    directory.write("&_in_gen.txt", settings);
    if (!fails_above.empty()) directory.write("fails_above.txt", fails_above);
  };
}

// Where programs start slowly, the tests that take thousands of model runs
// and show nothing of the platform are left to the others.
#define SKIP_WHERE_PROGRAM_STARTS_ARE_SLOW() \
  if (test_support::program_starts_are_slow()) GTEST_SKIP() << "thousands of model runs"

TEST(SideBySide, PressureVesselGivesTheSameReportsForEveryNumberOfJobs) {
  SKIP_WHERE_PROGRAM_STARTS_ARE_SLOW();
  expect_same_for_every_jobs(example("pressure_vessel"), stop_at_poll(2500));
}

// Their initial populations take thousands of model runs: one number of jobs each.
TEST(SideBySide, WeldedBeamGivesTheSameReports) {
  SKIP_WHERE_PROGRAM_STARTS_ARE_SLOW();
  constexpr int jobs[] = {7};
  expect_same_for_every_jobs(example("welded_beam"), stop_at_poll(600), jobs);
}

TEST(SideBySide, SpringGivesTheSameReports) {
  SKIP_WHERE_PROGRAM_STARTS_ARE_SLOW();
  constexpr int jobs[] = {10};
  expect_same_for_every_jobs(example("spring"), stop_at_poll(600), jobs);
}

// "9" and "8" change the scale of the children built after them, the space
// pauses, "1" ends the search in the middle of an iteration: the children
// before it are evaluated and applied, none after.
TEST(SideBySide, KeysActWhereTheyWouldOneRunAtATime) {
  const std::string keys = std::string(47, 'x') + "9" + std::string(60, 'x') + "8" +
                           std::string(33, 'x') + " \n" + std::string(200, 'x') + "8" +
                           std::string(71, 'x') + "1";
  const RunResult serial =
      expect_same_for_every_jobs(model_with_settings("sphere", "'s'\n0\n1 1\n-5 5\n-5 5\n"), keys);
  EXPECT_NE(serial.console.find("10"), std::string::npos);
}

// Few candidates are feasible, so the population is complete while many
// attempts beyond it are in flight: their results are dropped and the draws
// go on from where the last attempt needed left them.
TEST(SideBySide, ManyInfeasibleCandidatesAndAttemptsBeyondThePopulation) {
  SKIP_WHERE_PROGRAM_STARTS_ARE_SLOW();
  expect_same_for_every_jobs(model_with_settings("constrained", "'c'\n1\n1 1\n-1.5 1\n-1.5 1\n"),
                             stop_at_poll(600));
}

// The model cannot be read for some candidates: the run ends at the first of
// them exactly as one run at a time would, whatever was in flight after it.
TEST(SideBySide, AFailureInTheMiddleOfABatchEndsTheRunAsOneRunAtATime) {
  const std::string settings = "'f'\n0\n1 1\n-5 5\n-5 5\n";
  struct {
    const char* fails_above;
    const char* where;
  } cases[] = {{"3.5", "initial population"}, {"4.99", "iterations"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.where);
    const RunResult serial = expect_same_for_every_jobs(
        model_with_settings("fails_above", settings, c.fails_above), stop_at_poll(20000));
    EXPECT_NE(serial.console.find("Press - ENTER"), std::string::npos) << "the model never failed";
  }
}

// Files written with the built-in switches on: the traces, the continuation
// files of the relative mode, and a population cut short by the attempts
// allowed. The trace lines of children built ahead of a failure are taken
// back: a first variable fixed by its bounds is refined in every child of the
// first iteration, with a line each, and the first child that moves it up
// breaks the model.
TEST(SideBySide, BuiltInSwitchesGiveTheSameFiles) {
  SKIP_WHERE_PROGRAM_STARTS_ARE_SLOW();
  const std::string settings = "'f'\n0\n1 1\n-5 5\n-5 5\n";
  const std::string first_fixed = "'f'\n0\n1 1\n2 2\n-5 5\n-5 5\n";
  const Switches traces{.trace_intermediate = 1, .trace_iterations = 1};
  struct {
    const char* what;
    Switches switches;
    const std::string& settings;
    const char* fails_above;
    int stop_poll;
    const char* first_keys;  // before the polls
  } cases[] = {
      {"traces, failure", traces, settings, "4.99", 20000, ""},
      {"traces, failure after refinement lines", traces, first_fixed, "2", 20000, ""},
      {"traces", traces, settings, "", 400, ""},
      {"relative mode", {.relative_mode = 1}, settings, "", 400, ""},
      // The empty line ends the pause of the shortfall.
      {"attempts run out", {.max_attempts = 37}, settings, "", 400, "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::map<std::string, std::string> serial;
    for (const int jobs : {1, 3, 10}) {
      ScratchDirectory directory;
      model_with_settings("fails_above", c.settings, c.fails_above)(directory);
      Switches switches = c.switches;
      switches.jobs = jobs;
      run_in_process(directory, switches, c.first_keys + stop_at_poll(c.stop_poll));
      std::map<std::string, std::string> files;
      for (const fs::directory_entry& entry : fs::directory_iterator(directory.path())) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name != "keys") files[name] = directory.read(name);
      }
      if (jobs == 1) {
        serial = files;
        EXPECT_EQ(contains(files["console"], "Press - ENTER"), *c.fails_above != '\0');
        continue;
      }
      for (const auto& [name, content] : serial) {
        EXPECT_TRUE(files.count(name) == 1 && files[name] == content)
            << name << " differs with jobs " << jobs;
      }
      EXPECT_EQ(files.size(), serial.size()) << "jobs " << jobs;
    }
  }
}

// Every line a run of `tells_where_it_runs` left in `log_directory`, the
// run in the run directory last. The runs of attempts drawn beyond the
// initial population are ended once it is complete, and one may leave its
// log made but still empty: it has no line.
std::vector<std::string> lines_logged(const fs::path& log_directory) {
  std::vector<fs::path> logs;
  for (const fs::directory_entry& entry : fs::directory_iterator(log_directory)) {
    logs.push_back(entry.path());
  }
  std::partition(logs.begin(), logs.end(), [](const fs::path& log) {
    return !log.filename().string().starts_with("run-none");
  });
  std::vector<std::string> lines;
  for (const fs::path& log : logs) {
    std::ifstream file(log);
    std::string line;
    if (std::getline(file, line) && !line.empty()) lines.push_back(line);
  }
  return lines;
}

TEST(SideBySide, EachRunHasItsSlotTheLinksAndTheLauncherTheLastRunTheRunDirectory) {
  ScratchDirectory directory;
  const fs::path logs = test_support::make_temporary_directory("genopt-slot-logs");
  directory.write("&_in_gen.txt", "'s'\n0\n1 1\n-5 5\n-5 5\n");
  directory.install_model("tells_where_it_runs");
  directory.write("log_directory.txt", logs.string());
  directory.write("data.txt", "the model's own input\n");
  directory.write("z_result.txt", "left by an earlier run\n");
  fs::create_directories(directory.file("genopt-slots/9"));  // left by an earlier run
  directory.write("genopt-slots/9/left-over.txt", "");
  const ProgramRun run = run_genopt(
      stop_at_poll(40), StandardInput::file,
      {"--jobs", "3", "--launcher", test_support::launcher_that_sets("GENOPT_VIA", "launcher")});
  ASSERT_EQ(run.exit_status, 0) << run.errors;
  EXPECT_FALSE(directory.exists("genopt-slots"));

  const std::vector<std::string> log = lines_logged(logs);
  fs::remove_all(logs);
  ASSERT_GT(log.size(), 100u);
  for (std::size_t at = 0; at + 1 < log.size(); ++at) {
    const std::string& line = log[at];
    SCOPED_TRACE(line);
    const std::string slot = line.substr(5, line.find(' ') - 5);
    EXPECT_TRUE(slot == "1" || slot == "2" || slot == "3");
    EXPECT_TRUE(contains(line, " dir=" + slot + " "));
    EXPECT_TRUE(contains(line, " args=-c -r via=launcher "));
    for (const char* seen :
         {"&&&_Rab.txt", "&_in_gen.txt", "data.txt", "log_directory.txt", "tarnix.exe"})
      EXPECT_TRUE(contains(line, std::string(" ") + seen + " ")) << seen;
    for (const char* unseen : {"z_result.txt", "z_selection.txt", "genopt-slots", "left-over.txt"})
      EXPECT_FALSE(contains(line, unseen)) << unseen;
  }
  const std::string run_directory_name = fs::path(directory.path()).filename().string();
  EXPECT_TRUE(
      contains(log.back(), "slot=none dir=" + run_directory_name + " args=-c -r via=launcher "))
      << log.back();
}

}  // namespace
}  // namespace genopt
