#include "evaluation/work_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
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

// Only the answer's start is read: a model that leaves a file beyond any
// input's size after its answer is answered from the first 64 KiB, at once.
TEST(WorkFile, AnswerIsReadFromTheFirst64KiBOnly) {
  ScratchDirectory directory;
  WorkFile work_file;
  ASSERT_EQ(work_file.open(), 0);
  ASSERT_EQ(work_file.write_record("2.5 7"), 0);
  // Beyond the largest input file, 64 MiB; sparse where it can be.
  std::filesystem::resize_file("&&&_Rab.txt", (std::size_t{64} << 20) + 1);
  std::string answer;
  ASSERT_EQ(work_file.read_answer(answer), 0);
  ASSERT_EQ(answer.size(), std::size_t{64} * 1024);
  EXPECT_EQ(answer.substr(0, 5), "2.5 7");
  EXPECT_EQ(answer.find_first_not_of('\0', 5), std::string::npos);
}

}  // namespace
}  // namespace genopt
