#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/process.h"
#include "support/file_content.h"

namespace genopt {
namespace {

namespace fs = std::filesystem;

// One run in the current directory, as the run directory's slot makes it.
ModelRun run_model(const char* program) {
  ModelRuns runs(ModelCommand{program}, 0);
  if (!runs.start(0)) return ModelRun::not_started;
  return runs.wait(0);
}

// Every case runs in a fresh directory of its own, with a `bin` directory
// inside it standing in for PATH.
class ModelStart : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_directory_ = fs::current_path();
    if (const char* path = std::getenv("PATH")) previous_path_ = path;
    std::string pattern = (fs::temp_directory_path() / "genopt-process-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    fs::current_path(directory_);
    fs::create_directory("bin");
    set_path((directory_ / "bin").string().c_str());
  }

  void TearDown() override {
    fs::current_path(previous_directory_);
    set_path(previous_path_ ? previous_path_->c_str() : nullptr);
    fs::remove_all(directory_);
  }

  static void set_path(const char* value) {
    if (value == nullptr) {
      unsetenv("PATH");
    } else {
      setenv("PATH", value, 1);
    }
  }

  static void write_program(const fs::path& path, const std::string& text, mode_t mode = 0755) {
    std::ofstream(path) << text;
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
  }

 private:
  fs::path previous_directory_;
  std::optional<std::string> previous_path_;
  fs::path directory_;
};

TEST_F(ModelStart, CurrentDirectoryComesBeforePath) {
  write_program("model", "#!/bin/sh\necho here > mark\n");
  write_program("bin/model", "#!/bin/sh\necho path > mark\n");
  EXPECT_EQ(run_model("model"), ModelRun::ended);
  EXPECT_EQ(test_support::file_content("mark"), "here\n");
}

TEST_F(ModelStart, FoundOnPathWhenNotInCurrentDirectory) {
  set_path(("/nonexistent::" + (fs::current_path() / "bin").string()).c_str());
  write_program("bin/model", "#!/bin/sh\necho path > mark\n");
  EXPECT_EQ(run_model("model"), ModelRun::ended);
  EXPECT_EQ(test_support::file_content("mark"), "path\n");
}

TEST_F(ModelStart, WithoutPathOnlyTheCurrentDirectoryIsSearched) {
  set_path(nullptr);
  write_program("bin/model", "#!/bin/sh\necho path > mark\n");
  EXPECT_EQ(run_model("model"), ModelRun::not_started);
  write_program("model", "#!/bin/sh\necho here > mark\n");
  EXPECT_EQ(run_model("model"), ModelRun::ended);
  EXPECT_EQ(test_support::file_content("mark"), "here\n");
}

TEST_F(ModelStart, ProgramsThatCannotStartAreReported) {
  EXPECT_EQ(run_model("missing"), ModelRun::not_started);

  write_program("not_executable", "#!/bin/sh\necho ran > mark\n", 0644);
  EXPECT_EQ(run_model("not_executable"), ModelRun::not_started);

  fs::create_directory("a_directory");
  EXPECT_EQ(run_model("a_directory"), ModelRun::not_started);

  // No interpreter line: the exec is refused, and no shell is tried in its place.
  write_program("no_interpreter_line", "echo ran > mark\n");
  EXPECT_EQ(run_model("no_interpreter_line"), ModelRun::not_started);

  EXPECT_FALSE(fs::exists("mark"));
}

TEST_F(ModelStart, AnyEndCountsAsEnded) {
  write_program("exits_with_3", "#!/bin/sh\necho ran > mark\nexit 3\n");
  EXPECT_EQ(run_model("exits_with_3"), ModelRun::ended);
  EXPECT_EQ(test_support::file_content("mark"), "ran\n");

  write_program("killed", "#!/bin/sh\necho ran > mark2\nkill -KILL $$\necho survived > mark2\n");
  EXPECT_EQ(run_model("killed"), ModelRun::ended);
  EXPECT_EQ(test_support::file_content("mark2"), "ran\n");
}

TEST_F(ModelStart, ModelGetsTheTwoArgumentsAndEmptyInput) {
  // Our own standard input holds data for the test's length: the model must not see it.
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0);
  ASSERT_EQ(write(pipe_ends[1], "leaked\n", 7), 7);
  close(pipe_ends[1]);
  const int saved_input = dup(STDIN_FILENO);
  dup2(pipe_ends[0], STDIN_FILENO);
  close(pipe_ends[0]);

  write_program("model",
                "#!/bin/sh\n"
                "echo \"$#\" \"$1\" \"$2\" > arguments\n"
                "test -c /dev/stdin && echo character > input_kind\n"
                "cat > input\n");
  const ModelRun run = run_model("model");

  dup2(saved_input, STDIN_FILENO);
  close(saved_input);
  EXPECT_EQ(run, ModelRun::ended);
  EXPECT_EQ(test_support::file_content("arguments"), "2 -c -r\n");
  EXPECT_EQ(test_support::file_content("input_kind"), "character\n");
  EXPECT_EQ(test_support::file_content("input"), "");
}

}  // namespace
}  // namespace genopt
