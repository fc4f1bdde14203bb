// A report that cannot be written during a search, on a device that is always full.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/binary_run.h"
#include "support/key_scripts.h"
#include "support/scratch_directory.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::ProgramRun;
using test_support::run_genopt;
using test_support::ScratchDirectory;
using text::cp1251;

const char* const two_variables = "'p'\n0\n1 1\n-5 5\n-5 5\n";

TEST(ReportWriteFailure, FullDiskEndsTheRunWithAMessageAndAFailureStatus) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", two_variables);
  directory.install_model("sphere");
  ASSERT_EQ(::symlink("/dev/full", "z_result.txt"), 0);
  const ProgramRun run = run_genopt(test_support::stop_at_poll(50 * 20));
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_EQ(run.errors, "genopt: z_result.txt: No space left on device\n");
  EXPECT_NE(directory.read("z_selection.txt").find(cp1251<"ПОПУЛЯЦИЯ НА РАЗГОНЕ">),
            std::string::npos);
}

}  // namespace
}  // namespace genopt
