#include "report/report_file.h"

#include <gtest/gtest.h>

#include "support/scratch_directory.h"

namespace genopt {
namespace {

using test_support::ScratchDirectory;

TEST(ReportFile, OldContentStaysUntilTheFirstLineAndIsCutAfterTheLast) {
  ScratchDirectory directory;
  directory.write("report.txt", "an older and longer report\nof two lines\n");
  ReportFile file("report.txt");
  ASSERT_EQ(file.open(), 0);
  file.flush();  // nothing written yet
  EXPECT_EQ(directory.read("report.txt"), "an older and longer report\nof two lines\n");
  file.line("new");
  file.flush();
  EXPECT_EQ(directory.read_text("report.txt"), " new\n");
  file.line(std::int32_t{7});
  file.flush();
  EXPECT_EQ(directory.read_text("report.txt"), " new\n           7\n");
}

TEST(ReportFile, AFileOpenedButNeverWrittenKeepsItsContent) {
  ScratchDirectory directory;
  directory.write("report.txt", "kept\n");
  {
    ReportFile file("report.txt");
    ASSERT_EQ(file.open(), 0);
  }
  EXPECT_EQ(directory.read("report.txt"), "kept\n");
}

TEST(ReportFile, WriteFailureIsKept) {
  ScratchDirectory directory;
  ReportFile file("/dev/full");
  ASSERT_EQ(file.open(), 0);
  file.line("lost");
  file.flush();
  EXPECT_NE(file.error(), 0);
}

}  // namespace
}  // namespace genopt
