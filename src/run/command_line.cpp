#include "run/command_line.h"

#include <charconv>

#include "platform/standard_streams.h"

namespace genopt {

namespace {

constexpr std::string_view usage =
    "usage: genopt [--model-timeout SECONDS] [--help] [--version]\n"
    "\n"
    "Searches for the minimum of the objective that the model tarnix.exe computes,\n"
    "with the input and report files in the current directory.\n"
    "\n"
    "  --model-timeout SECONDS  a model run that takes longer is ended, and the run\n"
    "                           with it, with a failure in z_result.txt (1 to 2000000)\n"
    "  --help                   shows this text\n"
    "  --version                shows the version\n";

constexpr std::string_view version = "genopt 1.0.0\n";

constexpr int refused_status = 2;

CommandLine refusal(std::string complaint) {
  CommandLine refused;
  refused.action = CommandLineAction::refuse;
  refused.complaint = "genopt: " + std::move(complaint);
  return refused;
}

// A whole number of seconds in 1..max_model_time_limit, written as digits only.
bool parse_seconds(std::string_view text, std::int32_t& seconds) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.front() == '-') return false;
  if (value < 1 || value > max_model_time_limit) return false;
  seconds = value;
  return true;
}

std::string time_limit_complaint(std::string_view given) {
  std::string complaint = "--model-timeout takes a whole number of seconds from 1 to " +
                          std::to_string(max_model_time_limit);
  if (given.empty()) return complaint;
  return complaint + ", not '" + std::string(given) + "'";
}

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv) {
  CommandLine command_line;
  for (int at = 1; at < argc; ++at) {
    const std::string_view argument = argv[at];
    if (argument == "--help") return {CommandLineAction::show_help, {}, {}};
    if (argument == "--version") return {CommandLineAction::show_version, {}, {}};
    std::string_view value;
    if (argument == "--model-timeout") {
      if (at + 1 == argc) return refusal(time_limit_complaint({}));
      value = argv[++at];
    } else if (argument.starts_with("--model-timeout=")) {
      value = argument.substr(argument.find('=') + 1);
    } else if (argument.starts_with("-")) {
      return refusal("unknown option '" + std::string(argument) + "'");
    } else {
      return refusal("no argument is taken but options, not '" + std::string(argument) + "'");
    }
    if (value.empty() || !parse_seconds(value, command_line.options.model_time_limit)) {
      return refusal(time_limit_complaint(value.empty() ? "" : value));
    }
  }
  return command_line;
}

int answer_command_line(const CommandLine& command_line) {
  switch (command_line.action) {
    case CommandLineAction::show_help:
      write_to_standard_output(usage);
      return 0;
    case CommandLineAction::show_version:
      write_to_standard_output(version);
      return 0;
    case CommandLineAction::refuse:
    case CommandLineAction::run:
      break;
  }
  write_to_standard_error(command_line.complaint + "\n");
  write_to_standard_error(usage);
  return refused_status;
}

}  // namespace genopt
