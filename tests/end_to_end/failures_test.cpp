// The failures a user can cause before the search starts, run through the
// real binary in an empty directory.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/binary_run.h"
#include "support/scratch_directory.h"
#include "text/code_page.h"

namespace genopt {
namespace {

using test_support::ProgramRun;
using test_support::run_genopt;
using test_support::ScratchDirectory;
using test_support::StandardInput;
using text::cp1251;

const std::string valid_settings = "'p'\n0\n1 1\n0 1\n0 1\n";

struct FailureCase {
  const char* name;
  std::string settings;     // empty: no settings file
  std::string start_point;  // "dir": a directory of that name
  std::string flags;
  std::string russian;  // CP1251
  std::string english;
};

std::string two_lines(std::string_view russian, std::string_view english) {
  std::string lines;
  lines.append(" ").append(russian).append("\n ").append(english).append("\n");
  return lines;
}

void put(const ScratchDirectory& directory, const char* name, const std::string& content) {
  if (content.empty()) return;
  if (content == "dir") {
    ASSERT_TRUE(std::filesystem::create_directory(name));
  } else {
    directory.write(name, content);
  }
}

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }

class InputFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(InputFailure, WritesBothLinesShowsEnglishAndPausesThenExitsZero) {
  const FailureCase& c = GetParam();
  ScratchDirectory directory;
  directory.write("z_result.txt", std::string(5000, 'x'));  // an older, longer report
  put(directory, "&_in_gen.txt", c.settings);
  put(directory, "&&_in_X_start.txt", c.start_point);
  put(directory, "&&_in_iZEL.txt", c.flags);

  const ProgramRun run = run_genopt("not empty\n\n");

  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(directory.read_text("z_result.txt"), two_lines(c.russian, c.english));
  std::string console;
  console.append(" ").append(c.english).append("\n Press - ENTER\n Press - ENTER\n");
  EXPECT_EQ(run.console, console);
  EXPECT_TRUE(directory.exists("&&&_Rab.txt"));  // kept after a failure
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InputFailure,
    ::testing::Values(
        FailureCase{"no_settings_file", "", "", "",
                    std::string(cp1251<"Ошибка ввода из файла &_in_gen.txt">),
                    "Misentry from make file &_in_gen.txt"},
        FailureCase{"settings_value_of_wrong_form", "'p'\n0\n1 1\n0 one\n", "", "",
                    std::string(cp1251<"Ошибка ввода из файла &_in_gen.txt">),
                    "Misentry from make file &_in_gen.txt"},
        FailureCase{"negative_model_constraint_count", "'p'\n-1\n1 1\n0 1\n0 1\n", "", "",
                    std::string(cp1251<"Ошибка ввода из файла &_in_gen.txt">),
                    "Misentry from make file &_in_gen.txt"},
        FailureCase{"no_bound_pair", "'p'\n0\n1 1\n", "", "",
                    std::string(cp1251<"Нет ни одной пары границ в файле &_in_gen.txt">),
                    "No bound pair in file &_in_gen.txt"},
        FailureCase{"too_many_constraint_values", "'p'\n1997\n1 1\n0 1\n0 1\n", "", "",
                    std::string(cp1251<"Более 2000 ограничений (2N+K) по файлу &_in_gen.txt">),
                    "More than 2000 constraints (2N+K) by file &_in_gen.txt"},
        FailureCase{"start_point_cannot_be_opened", valid_settings, "dir", "",
                    std::string(cp1251<"Ошибка ОТКРЫТИЯ файла &&_in_X_start.txt">),
                    "Error opening &&_in_X_start.txt"},
        FailureCase{"start_point_value_of_wrong_form", valid_settings, "1\n2\nthree\n", "",
                    std::string(cp1251<"Ошибка ВВОДА из файла &&_in_X_start.txt">),
                    "Misentry from file &&_in_X_start.txt"},
        FailureCase{"integer_flag_of_wrong_form", valid_settings, "", "1\n0.5\n",
                    std::string(cp1251<"Ошибка ввода из файла &&_in_iZEL.txt">),
                    "Misentry from file &&_in_iZEL.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InputFailure, MoreThanFiveHundredPairsIsRefused) {
  ScratchDirectory directory;
  std::string settings = "'p'\n0\n1 1\n";
  for (int i = 0; i < 501; ++i) settings += "0 1\n";
  directory.write("&_in_gen.txt", settings);
  const ProgramRun run = run_genopt();
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(directory.read_text("z_result.txt"),
            two_lines(cp1251<"Более 500 пар границ в файле &_in_gen.txt">,
                      "More than 500 bound pairs in file &_in_gen.txt"));
}

TEST(InputFailure, IntegerFlagsOpenFailureGoesToItsOwnFile) {
  ScratchDirectory directory;
  directory.write("z_result.txt", "older report\n");
  directory.write("&_in_gen.txt", valid_settings);
  ASSERT_TRUE(std::filesystem::create_directory("&&_in_iZEL.txt"));
  const ProgramRun run = run_genopt();
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_EQ(directory.read("z_result.txt"), "older report\n");
  EXPECT_EQ(
      directory.read_text("z_ЦЕЛЬ         4 (21).txt"),
      two_lines(cp1251<"Ошибка ОТКРЫТИЯ  файла &&_in_iZEL.txt">, "Error opening &&_in_iZEL.txt"));
  EXPECT_EQ(run.console, " Error opening &&_in_iZEL.txt\n Press - ENTER\n");
}

// Whatever standard input is, its end ends the pause: the run never waits.
TEST(InputFailure, EndOfAnyStandardInputEndsThePause) {
  struct Case {
    const char* name;
    StandardInput kind;
    std::string input;
    int prompts;
  };
  const Case cases[] = {
      {"closed", StandardInput::closed, "", 1},
      {"null device", StandardInput::null_device, "", 1},
      {"empty pipe", StandardInput::pipe, "", 1},
      {"pipe with a line", StandardInput::pipe, "typed\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory directory;
    const ProgramRun run = run_genopt(c.input, c.kind);
    EXPECT_EQ(run.exit_status, 0);
    std::string console = " Misentry from make file &_in_gen.txt\n";
    for (int prompt = 0; prompt < c.prompts; ++prompt) console += " Press - ENTER\n";
    EXPECT_EQ(run.console, console);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(directory.read_text("z_result.txt"),
              two_lines(cp1251<"Ошибка ввода из файла &_in_gen.txt">,
                        "Misentry from make file &_in_gen.txt"));
  }
}

TEST(InputFailure, UnwritableResultFileIsTold) {
  ScratchDirectory directory;
  ASSERT_TRUE(std::filesystem::create_directory("z_result.txt"));
  const ProgramRun run = run_genopt();
  EXPECT_NE(run.exit_status, 0);
  EXPECT_NE(run.errors.find("z_result.txt"), std::string::npos) << run.errors;
}

}  // namespace
}  // namespace genopt
