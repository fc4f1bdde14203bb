// The time limit of model runs side by side on Windows, where a run that
// outlasts it is ended through its job.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/binary_run.h"
#include "support/key_scripts.h"
#include "support/scratch_directory.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::run_genopt;
using test_support::ScratchDirectory;
using test_support::StandardInput;
using text::cp1251;

// The first run to outlast the limit ends the search as it would one run at
// a time; the runs after it are ended, and their slots stay to look at.
TEST(SideBySideOnWindows, ModelTimeLimitEndsTheRunAsOneRunAtATime) {
  for (const char* jobs : {"1", "3"}) {
    SCOPED_TRACE(jobs);
    ScratchDirectory directory;
    directory.write("&_in_gen.txt", "'p'\n0\n1 1\n-5 5\n-5 5\n");
    directory.install_model("sleeps_an_hour");
    const test_support::ProgramRun run =
        run_genopt("", StandardInput::null_device, {"--model-timeout", "1", "--jobs", jobs});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(directory.read_text("z_result.txt"),
              " " + std::string(cp1251<"Модель tarnix.exe не завершилась за 1 с">) +
                  "\n Model tarnix.exe did not finish in 1 s\n");
    EXPECT_EQ(run.console, " Model tarnix.exe did not finish in 1 s\n Press - ENTER\n");
    EXPECT_EQ(directory.exists("genopt-slots/3/&&&_Rab.txt"), std::string(jobs) == "3");
  }
}

// The child that the model leaves running holds this mutex while it lives.
bool lingering_child_lives() {
  const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"genopt-test-lingering-child");
  if (mutex == nullptr) return false;
  CloseHandle(mutex);
  return true;
}

// What a model leaves running goes with its run: the run's job ends it.
TEST(SideBySideOnWindows, WhatAModelLeavesRunningEndsWithItsRun) {
  for (const char* jobs : {"1", "3"}) {
    SCOPED_TRACE(jobs);
    ScratchDirectory directory;
    directory.write("&_in_gen.txt", "'p'\n0\n1 1\n-5 5\n-5 5\n");
    directory.install_model("leaves_child_behind");
    const test_support::ProgramRun run =
        run_genopt(test_support::stop_at_poll(10 * 2 + 3), StandardInput::file, {"--jobs", jobs});
    EXPECT_EQ(run.exit_status, 0);
    // A job's processes end a moment after it is closed.
    for (int wait = 0; wait < 500 && lingering_child_lives(); ++wait) Sleep(10);
    EXPECT_FALSE(lingering_child_lives());
  }
}

}  // namespace
}  // namespace genopt
