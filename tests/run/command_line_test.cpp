#include "run/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace genopt {
namespace {

CommandLine parsed(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "genopt");
  return parse_command_line(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandLine, NoArgumentsRunAsTheFrontEndsStartIt) {
  const CommandLine command_line = parsed({});
  EXPECT_EQ(command_line.action, CommandLineAction::run);
  EXPECT_EQ(command_line.options.model_time_limit, 0);
}

TEST(CommandLine, ModelTimeLimitInEitherForm) {
  EXPECT_EQ(parsed({"--model-timeout", "30"}).options.model_time_limit, 30);
  EXPECT_EQ(parsed({"--model-timeout=2000000"}).options.model_time_limit, 2'000'000);
  EXPECT_EQ(parsed({"--model-timeout", "1"}).action, CommandLineAction::run);
}

TEST(CommandLine, JobsAndLauncher) {
  const CommandLine command_line =
      parsed({"--jobs", "10", "--launcher", "  srun -N1\t-n1  --exclusive "});
  EXPECT_EQ(command_line.action, CommandLineAction::run);
  EXPECT_EQ(command_line.options.jobs, 10);
  EXPECT_EQ(command_line.options.launcher,
            (std::vector<std::string>{"srun", "-N1", "-n1", "--exclusive"}));
  EXPECT_EQ(parsed({}).options.jobs, 1);
  EXPECT_TRUE(parsed({}).options.launcher.empty());
  EXPECT_EQ(parsed({"--jobs=64"}).options.jobs, 64);
  EXPECT_EQ(parsed({"--launcher=env"}).options.launcher, std::vector<std::string>{"env"});
}

TEST(CommandLine, NoLockIsAnOptionWithoutAValue) {
  EXPECT_TRUE(parsed({}).options.lock_directory);
  const CommandLine command_line = parsed({"--no-lock", "--jobs", "2"});
  EXPECT_EQ(command_line.action, CommandLineAction::run);
  EXPECT_FALSE(command_line.options.lock_directory);
  EXPECT_EQ(command_line.options.jobs, 2);
  EXPECT_EQ(parsed({"--no-lock=yes"}).complaint, "genopt: unknown option '--no-lock=yes'");
}

TEST(CommandLine, HelpAndVersionAnswerWithoutARun) {
  EXPECT_EQ(parsed({"--help"}).action, CommandLineAction::show_help);
  EXPECT_EQ(parsed({"--version"}).action, CommandLineAction::show_version);
  EXPECT_EQ(parsed({"--model-timeout", "5", "--help"}).action, CommandLineAction::show_help);
}

TEST(CommandLine, WhatCannotBeTakenIsRefusedNamingTheOptionAndWhatIsAllowed) {
  const std::string allowed = "--model-timeout takes a whole number of seconds from 1 to 2000000";
  const std::string jobs = "--jobs takes a whole number of model runs from 1 to 64";
  const std::string launcher =
      "--launcher takes a command and its arguments, e.g. 'srun -N1 -n1 --exclusive'";
  const struct {
    std::vector<const char*> arguments;
    std::string complaint;
  } cases[] = {
      {{"--job", "2"}, "genopt: unknown option '--job'"},
      {{"--jobs"}, "genopt: " + jobs},
      {{"--jobs", "0"}, "genopt: " + jobs + ", not '0'"},
      {{"--jobs", "65"}, "genopt: " + jobs + ", not '65'"},
      {{"--jobs=two"}, "genopt: " + jobs + ", not 'two'"},
      {{"--launcher"}, "genopt: " + launcher},
      {{"--launcher", " \t "}, "genopt: " + launcher},
      {{"-h"}, "genopt: unknown option '-h'"},
      {{"run"}, "genopt: no argument is taken but options, not 'run'"},
      {{"--model-timeout"}, "genopt: " + allowed},
      {{"--model-timeout="}, "genopt: " + allowed},
      {{"--model-timeout", "0"}, "genopt: " + allowed + ", not '0'"},
      {{"--model-timeout", "-5"}, "genopt: " + allowed + ", not '-5'"},
      {{"--model-timeout", "2000001"}, "genopt: " + allowed + ", not '2000001'"},
      {{"--model-timeout", "1.5"}, "genopt: " + allowed + ", not '1.5'"},
      {{"--model-timeout", "9999999999"}, "genopt: " + allowed + ", not '9999999999'"},
      {{"--model-timeout=ten"}, "genopt: " + allowed + ", not 'ten'"},
      {{"--help", "--bogus"}, ""},  // the first argument decides
  };
  for (const auto& c : cases) {
    const CommandLine command_line = parsed(c.arguments);
    if (c.complaint.empty()) {
      EXPECT_EQ(command_line.action, CommandLineAction::show_help);
      continue;
    }
    EXPECT_EQ(command_line.action, CommandLineAction::refuse) << c.complaint;
    EXPECT_EQ(command_line.complaint, c.complaint);
  }
}

}  // namespace
}  // namespace genopt
