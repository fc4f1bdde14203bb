#include "run/input_files.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/scratch_directory.h"

namespace genopt {
namespace {

using test_support::ScratchDirectory;

using Bounds = std::vector<std::pair<double, double>>;

// A file read whole gives N, K, the periods and every bound pair; a refused
// file gives its failure and nothing is checked beyond it.
struct SettingsCase {
  const char* name;
  std::string content;
  Failure failure;
  std::int32_t k = 0;
  std::int32_t console_period = 0;
  std::int32_t file_period = 0;
  Bounds bounds{};
};

std::string many_pairs(int count) {
  std::string text = "title\n0\n1 1\n";
  for (int i = 0; i < count; ++i) text += "0 1\n";
  return text;
}

void PrintTo(const SettingsCase& c, std::ostream* out) { *out << c.name; }

class SettingsFile : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsFile, IsTakenWholeOrRefusedForItsShape) {
  const SettingsCase& c = GetParam();
  ScratchDirectory directory;
  directory.write("&_in_gen.txt", c.content);
  auto state = std::make_unique<SearchState>();
  const Outcome outcome = read_settings_file(*state);
  EXPECT_EQ(outcome.failure, c.failure);
  EXPECT_TRUE(outcome.platform_file.empty());
  if (c.failure != Failure::none) return;
  EXPECT_EQ(state->model_constraint_count, c.k);
  EXPECT_EQ(state->console_report_period, c.console_period);
  EXPECT_EQ(state->file_report_period, c.file_period);
  ASSERT_EQ(state->variable_count, static_cast<std::int32_t>(c.bounds.size()));
  for (std::int32_t i = 1; i <= state->variable_count; ++i) {
    const auto& [lower, upper] = c.bounds[static_cast<std::size_t>(i - 1)];
    EXPECT_EQ(state->lower_bound[i], lower) << "variable " << i;
    EXPECT_EQ(state->upper_bound[i], upper) << "variable " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFile,
    ::testing::Values(
        SettingsCase{"three_pairs", "'beam'\n2\n5 7\n0 1\n-1.5D0 2.5E+01\n3 4\n", Failure::none, 2,
                     5, 7, Bounds{{0, 1}, {-1.5, 25}, {3, 4}}},
        // The quoted text ends the first record: the rest of its line is no K.
        SettingsCase{"quoted_text_then_more_on_its_line",
                     "'Beam design' v2\n 2\n 10, 20\n 0 1\n -3,3\n", Failure::none, 2, 10, 20,
                     Bounds{{0, 1}, {-3, 3}}},
        SettingsCase{"pair_over_two_lines_and_extra_number", "t\n0\n1 1\n0\n1 99\n2 3\n",
                     Failure::none, 0, 1, 1, Bounds{{0, 1}, {2, 3}}},
        SettingsCase{"pair_across_a_blank_line", "t\n0\n1 1\n0\n\n5 9\n1 2 3\n", Failure::none, 0,
                     1, 1, Bounds{{0, 5}, {1, 2}}},
        // The pair that meets the end of the file does not count.
        SettingsCase{"lower_bound_alone_at_the_end", "t\n0\n1 1\n0 1\n7\n", Failure::none, 0, 1, 1,
                     Bounds{{0, 1}}},
        SettingsCase{"windows_line_ends", "t\r\n1\r\n10,20\r\n0\t1\r\n", Failure::none, 1, 10, 20,
                     Bounds{{0, 1}}},
        SettingsCase{"tabs_and_blank_windows_lines",
                     "t\r\n2\r\n3\t4\r\n\r\n1\t2\r\n-1\r\n\t2.5\r\n", Failure::none, 2, 3, 4,
                     Bounds{{1, 2}, {-1, 2.5}}},
        SettingsCase{"ends_after_periods", "t\n0\n1 1\n", Failure::settings_no_pairs},
        SettingsCase{"ends_inside_the_periods", "t\n4\n50", Failure::settings_no_pairs},
        SettingsCase{"ends_after_the_text", "t", Failure::settings_no_pairs},
        SettingsCase{"empty_file", "", Failure::settings_no_pairs},
        SettingsCase{"blank_lines_only", "\n  \n\n", Failure::settings_no_pairs},
        SettingsCase{"letter_for_k", "t\nK\n1 1\n0 1\n", Failure::settings_file},
        SettingsCase{"negative_k", "t\n-1\n1 1\n0 1\n0 1\n", Failure::settings_file},
        SettingsCase{"zero_k", "t\n0\n1 1\n0 1\n", Failure::none, 0, 1, 1, Bounds{{0, 1}}},
        SettingsCase{"letter_for_a_period", "t\n0\n1 x\n0 1\n", Failure::settings_file},
        SettingsCase{"letter_in_bound", "t\n0\n1 1\n0 x\n", Failure::settings_file},
        SettingsCase{"letter_in_a_later_pair", "t\n0\n1 1\n0 1\n0 x1\n", Failure::settings_file},
        SettingsCase{"two_decimal_points", "t\n0\n1 1\n0 1.0.0\n", Failure::settings_file},
        SettingsCase{"five_hundred_pairs", many_pairs(500), Failure::none, 0, 1, 1,
                     Bounds(500, {0, 1})},
        SettingsCase{"five_hundred_one_pairs", many_pairs(501), Failure::settings_too_many_pairs},
        SettingsCase{"constraint_values_at_limit", "t\n1998\n1 1\n0 1\n", Failure::none, 1998, 1, 1,
                     Bounds{{0, 1}}},
        SettingsCase{"constraint_values_over_limit", "t\n1999\n1 1\n0 1\n",
                     Failure::settings_too_many_values}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFile, MissingFileAndDirectoryAreTheSettingsFailure) {
  ScratchDirectory directory;
  auto state = std::make_unique<SearchState>();
  EXPECT_EQ(read_settings_file(*state).failure, Failure::settings_file);
  ASSERT_TRUE(std::filesystem::create_directory("&_in_gen.txt"));
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

// A file read whole would be taken here: three values and blank lines. One
// byte beyond the largest input is refused unread, as a file of the wrong form.
TEST(StartPointFile, LargerThanAnyInputIsRefusedAsItsInputFailure) {
  constexpr std::size_t largest_input = std::size_t{64} << 20;
  const struct {
    std::size_t size;
    Failure failure;
  } cases[] = {{largest_input, Failure::none}, {largest_input + 1, Failure::start_point_read}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    ScratchDirectory directory;
    std::string content = "1\n2\n3\n";
    content.resize(c.size, '\n');
    directory.write("&&_in_X_start.txt", content);
    auto state = std::make_unique<SearchState>();
    state->variable_count = 3;
    EXPECT_EQ(read_start_point_file(*state).failure, c.failure);
    EXPECT_EQ(state->start_point_given, c.failure == Failure::none ? 1 : 0);
  }
}

TEST(OptionalFiles, MissingFilesAreNoFailureAndDirectoriesCannotBeOpened) {
  ScratchDirectory directory;
  auto state = std::make_unique<SearchState>();
  state->variable_count = 2;
  EXPECT_TRUE(read_start_point_file(*state).ok());
  EXPECT_TRUE(read_integer_flags_file(*state).ok());
  ASSERT_TRUE(std::filesystem::create_directory("&&_in_X_start.txt"));
  ASSERT_TRUE(std::filesystem::create_directory("&&_in_iZEL.txt"));
  EXPECT_EQ(read_start_point_file(*state).failure, Failure::start_point_open);
  EXPECT_EQ(read_integer_flags_file(*state).failure, Failure::integer_flags_open);
}

}  // namespace
}  // namespace genopt
