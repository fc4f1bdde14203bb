// Two runs in one directory: the second is refused while the first holds it,
// unless it was told to run without the lock.

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/binary_run.h"
#include "support/key_scripts.h"
#include "support/line_ends.h"
#include "support/scratch_directory.h"

namespace genopt {
namespace {

using test_support::ProgramRun;
using test_support::run_genopt;
using test_support::ScratchDirectory;
using test_support::StandardInput;
using test_support::stop_at_poll;

TEST(DirectoryLock, ASecondRunIsRefusedUnlessToldToRunWithoutTheLock) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", "'p'\n0\n1 1\n-5 5\n-5 5\n");
  directory.install_model("sphere");
  files::DirectoryLock first_run;  // stands for a run that is going on
  ASSERT_TRUE(first_run.take()) << first_run.error();

  const ProgramRun refused = run_genopt(stop_at_poll(1));
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(test_support::with_lf_line_ends(refused.errors),
            "genopt: another run is using this directory\n");
  EXPECT_FALSE(directory.exists("z_result.txt"));

  const ProgramRun unlocked = run_genopt(stop_at_poll(1), StandardInput::file, {"--no-lock"});
  EXPECT_EQ(unlocked.exit_status, 0) << unlocked.errors;
  EXPECT_TRUE(directory.exists("z_result.txt"));
}

}  // namespace
}  // namespace genopt
