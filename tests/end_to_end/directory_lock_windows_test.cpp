// A run that could make no global mutex holds the lock file instead: a run
// that made its mutex must still see it and be refused.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/binary_run.h"
#include "support/key_scripts.h"
#include "support/line_ends.h"
#include "support/scratch_directory.h"

namespace genopt {
namespace {

using test_support::ProgramRun;
using test_support::run_genopt;
using test_support::ScratchDirectory;

TEST(DirectoryLockOnWindows, ARunHoldingTheLockFileKeepsASecondRunOut) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", "'p'\n0\n1 1\n-5 5\n-5 5\n");
  directory.install_model("sphere");
  // As a run holds it: no sharing, deleted when closed.
  const HANDLE lock_file =
      CreateFileW(L"genopt-directory.lock", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(lock_file, INVALID_HANDLE_VALUE);
  const ProgramRun refused = run_genopt(test_support::stop_at_poll(1));
  CloseHandle(lock_file);
  EXPECT_EQ(refused.exit_status, 1);
  EXPECT_EQ(test_support::with_lf_line_ends(refused.errors),
            "genopt: another run is using this directory\n");
  EXPECT_FALSE(directory.exists("z_result.txt"));
  EXPECT_FALSE(directory.exists("genopt-directory.lock"));
}

}  // namespace
}  // namespace genopt
