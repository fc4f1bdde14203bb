#include "evaluation/work_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/scratch_directory.h"

namespace genopt {
namespace {

using test_support::ScratchDirectory;

TEST(WorkFile, IsDeletedAtTheEndAndOneAlreadyGoneIsNoFailure) {
  for (const bool removed_before_the_end : {false, true}) {
    ScratchDirectory directory;
    WorkFile work_file;
    ASSERT_EQ(work_file.open(), 0);
    ASSERT_EQ(work_file.write_record("1 2 3\n"), 0);
    if (removed_before_the_end) {
      ASSERT_EQ(std::remove("&&&_Rab.txt"), 0);
    }
    EXPECT_EQ(work_file.close_and_delete(), 0) << removed_before_the_end;
    EXPECT_FALSE(directory.exists("&&&_Rab.txt"));
  }
}

TEST(WorkFile, MissingAnswerReadsAsEmpty) {
  ScratchDirectory directory;
  WorkFile work_file;
  ASSERT_EQ(work_file.open(), 0);
  ASSERT_EQ(work_file.write_record("1 2 3\n"), 0);
  std::string answer = "old";
  ASSERT_EQ(std::remove("&&&_Rab.txt"), 0);
  EXPECT_EQ(work_file.read_answer(answer), 0);
  EXPECT_EQ(answer, "");
}

}  // namespace
}  // namespace genopt
