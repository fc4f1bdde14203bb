#pragma once
// The command line. Without arguments genopt runs as the front ends start it;
// the options only add to that.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "evaluation/evaluation_queue.h"

namespace genopt {

inline constexpr std::int32_t max_model_time_limit = 2'000'000;  // seconds, about 23 days

struct RunOptions {
  std::int32_t model_time_limit = 0;    // --model-timeout: seconds a model run may take; 0: none
  std::int32_t jobs = 1;                // --jobs: model runs at once; 1: one after another
  std::vector<std::string> launcher{};  // --launcher: words before the model's path; none
  bool lock_directory = true;           // --no-lock: false, the run takes no hold on its directory
};

enum class CommandLineAction { run, show_help, show_version, refuse };

struct CommandLine {
  CommandLineAction action = CommandLineAction::run;
  RunOptions options{};
  std::string complaint{};  // refuse: one line naming the option and what is allowed
};

// Reads the arguments after the program's name, left to right; the first
// that cannot be taken decides a refusal.
CommandLine parse_command_line(int argc, const char* const* argv);

// Answers a command line that runs no search: the usage text on standard
// output (exit status 0), the version (0), or the complaint and the usage
// text on standard error (2). Nothing is written to the directory.
int answer_command_line(const CommandLine& command_line);

}  // namespace genopt
