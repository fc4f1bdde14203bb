#include "run/input_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "support/scratch_directory.h"

namespace genopt {
namespace {

using test_support::ScratchDirectory;

struct SettingsCase {
  const char* name;
  std::string content;
  Failure failure;
  std::int32_t n;
  std::int32_t k;
  std::int32_t console_period;
  std::int32_t file_period;
};

std::string many_pairs(int count) {
  std::string text = "title\n0\n1 1\n";
  for (int i = 0; i < count; ++i) text += "0 1\n";
  return text;
}

void PrintTo(const SettingsCase& c, std::ostream* out) { *out << c.name; }

class SettingsFile : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsFile, ReadsCountsAndRefuses) {
  const SettingsCase& c = GetParam();
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", c.content);
  auto state = std::make_unique<SearchState>();
  const Outcome outcome = read_settings_file(*state);
  EXPECT_EQ(outcome.failure, c.failure);
  if (c.failure != Failure::none) return;
  EXPECT_EQ(state->variable_count, c.n);
  EXPECT_EQ(state->model_constraint_count, c.k);
  EXPECT_EQ(state->console_report_period, c.console_period);
  EXPECT_EQ(state->file_report_period, c.file_period);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFile,
    ::testing::Values(
        SettingsCase{"three_pairs", "'beam'\n2\n5 7\n0 1\n-1.5D0 2.5E+01\n3 4\n", Failure::none, 3,
                     2, 5, 7},
        SettingsCase{"pair_over_two_lines_and_extra_number", "t\n0\n1 1\n0\n1 99\n2 3\n",
                     Failure::none, 2, 0, 1, 1},
        SettingsCase{"windows_line_ends", "t\r\n1\r\n10,20\r\n0\t1\r\n", Failure::none, 1, 1, 10,
                     20},
        SettingsCase{"ends_after_periods", "t\n0\n1 1\n", Failure::settings_no_pairs, 0, 0, 0, 0},
        SettingsCase{"empty_file", "", Failure::settings_no_pairs, 0, 0, 0, 0},
        SettingsCase{"letter_for_k", "t\nK\n1 1\n0 1\n", Failure::settings_file, 0, 0, 0, 0},
        SettingsCase{"letter_in_bound", "t\n0\n1 1\n0 x\n", Failure::settings_file, 0, 0, 0, 0},
        SettingsCase{"five_hundred_pairs", many_pairs(500), Failure::none, 500, 0, 1, 1},
        SettingsCase{"five_hundred_one_pairs", many_pairs(501), Failure::settings_too_many_pairs, 0,
                     0, 0, 0},
        SettingsCase{"constraint_values_at_limit", "t\n1998\n1 1\n0 1\n", Failure::none, 1, 1998, 1,
                     1},
        SettingsCase{"constraint_values_over_limit", "t\n1999\n1 1\n0 1\n",
                     Failure::settings_too_many_values, 0, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, MissingFileAndDirectoryAreTheSettingsFailure) {
  ScratchDirectory directory;
  auto state = std::make_unique<SearchState>();
  EXPECT_EQ(read_settings_file(*state).failure, Failure::settings_file);
  ASSERT_EQ(::mkdir("&_in_gen.txt", 0755), 0);
  EXPECT_EQ(read_settings_file(*state).failure, Failure::settings_file);
}

TEST(SettingsFile, BoundsAreReadAsWritten) {
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", "t\n0\n1 1\n0 -1.5D0\n1,5 2,5\n.5 5.\n");
  auto state = std::make_unique<SearchState>();
  ASSERT_TRUE(read_settings_file(*state).ok());
  ASSERT_EQ(state->variable_count, 3);
  EXPECT_EQ(state->lower_bound[1], 0.0);
  EXPECT_EQ(state->upper_bound[1], -1.5);
  EXPECT_EQ(state->lower_bound[2], 1.0);  // a decimal comma separates values
  EXPECT_EQ(state->upper_bound[2], 5.0);
  EXPECT_EQ(state->lower_bound[3], 0.5);
  EXPECT_EQ(state->upper_bound[3], 5.0);
}

struct OptionalFileCase {
  const char* name;
  std::string content;
  Failure failure;
  bool taken;
};

void PrintTo(const OptionalFileCase& c, std::ostream* out) { *out << c.name; }

class StartPointFile : public ::testing::TestWithParam<OptionalFileCase> {};

TEST_P(StartPointFile, IsTakenOnlyWithExactlyNValues) {
  const OptionalFileCase& c = GetParam();
  ScratchDirectory directory;
  directory.write("&&_in_X_start.txt", c.content);
  auto state = std::make_unique<SearchState>();
  state->variable_count = 3;
  EXPECT_EQ(read_start_point_file(*state).failure, c.failure);
  EXPECT_EQ(state->start_point_given, c.taken ? 1 : 0);
  if (c.taken) {
    EXPECT_EQ(state->start_point[3], 3.0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartPointFile,
    ::testing::Values(OptionalFileCase{"three_values", "1\n2\n3\n", Failure::none, true},
                      OptionalFileCase{"blank_lines_after", "1\n2 9\n3\n\n\n", Failure::none, true},
                      OptionalFileCase{"two_values", "1\n2\n", Failure::none, false},
                      OptionalFileCase{"four_values", "1\n2\n3\n4\n", Failure::none, false},
                      OptionalFileCase{"word_after_three", "1\n2\n3\nword\n",
                                       Failure::start_point_read, false},
                      OptionalFileCase{"word_first", "x\n", Failure::start_point_read, false}),
    [](const auto& info) { return std::string(info.param.name); });

class IntegerFlagsFile : public ::testing::TestWithParam<OptionalFileCase> {};

TEST_P(IntegerFlagsFile, AreTakenOnlyWithExactlyNValidFlags) {
  const OptionalFileCase& c = GetParam();
  ScratchDirectory directory;
  directory.write("&&_in_iZEL.txt", c.content);
  auto state = std::make_unique<SearchState>();
  state->variable_count = 4;
  EXPECT_EQ(read_integer_flags_file(*state).failure, c.failure);
  if (c.failure != Failure::none) return;
  const std::array<std::int32_t, 4> taken{0, 1, 1, 0};
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(state->is_integer[i], c.taken ? taken[i - 1] : 0) << "variable " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntegerFlagsFile,
    ::testing::Values(OptionalFileCase{"four_flags", "0\n1\n1\n0\n", Failure::none, true},
                      OptionalFileCase{"blank_lines_after", "0\n1\n1\n0\n\n", Failure::none, true},
                      OptionalFileCase{"flag_of_two", "0\n1\n2\n0\n", Failure::none, false},
                      OptionalFileCase{"three_flags", "0\n1\n1\n", Failure::none, false},
                      OptionalFileCase{"five_flags", "0\n1\n1\n0\n1\n", Failure::none, false},
                      OptionalFileCase{"real_flag", "0\n1.0\n1\n0\n", Failure::integer_flags_read,
                                       false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OptionalFiles, MissingFilesAreNoFailureAndDirectoriesCannotBeOpened) {
  ScratchDirectory directory;
  auto state = std::make_unique<SearchState>();
  state->variable_count = 2;
  EXPECT_TRUE(read_start_point_file(*state).ok());
  EXPECT_TRUE(read_integer_flags_file(*state).ok());
  ASSERT_EQ(::mkdir("&&_in_X_start.txt", 0755), 0);
  ASSERT_EQ(::mkdir("&&_in_iZEL.txt", 0755), 0);
  EXPECT_EQ(read_start_point_file(*state).failure, Failure::start_point_open);
  EXPECT_EQ(read_integer_flags_file(*state).failure, Failure::integer_flags_open);
}

}  // namespace
}  // namespace genopt
