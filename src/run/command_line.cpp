#include "run/command_line.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "platform/standard_streams.h"

namespace genopt {

namespace {

constexpr std::string_view usage =
    "usage: genopt [--jobs K] [--launcher 'COMMAND ARGS'] [--model-timeout SECONDS]\n"
    "              [--no-lock] [--help] [--version]\n"
    "\n"
    "Searches for the minimum of the objective that the model tarnix.exe computes,\n"
    "with the input and report files in the current directory. The same input\n"
    "files, a model that gives the same answer to the same values, and the same\n"
    "keys at the same moments give the same report files, byte for byte; the\n"
    "number of jobs and the launcher change no byte.\n"
    "\n"
    "  --jobs K                 runs the model for up to K candidates at once, each in\n"
    "                           its own directory genopt-slots/N (1 to 64; 1: one after\n"
    "                           another); the results are the same for every K\n"
    "  --launcher 'COMMAND ARGS'\n"
    "                           starts every model run as COMMAND ARGS followed by the\n"
    "                           model's path and -c -r, e.g. 'srun -N1 -n1 --exclusive'\n"
    "  --model-timeout SECONDS  a model run that takes longer is ended, and the run\n"
    "                           with it, with a failure in z_result.txt (1 to 2000000)\n"
    "  --no-lock                runs where the directory cannot be locked; without the\n"
    "                           lock nothing keeps a second run out of the directory\n"
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

// A whole number in first..last, written as digits only.
bool parse_whole_number(std::string_view text, std::int32_t first, std::int32_t last,
                        std::int32_t& number) {
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
      text.front() == '-') {
    return false;
  }
  if (value < first || value > last) return false;
  number = value;
  return true;
}

// The words of a launcher, split on blanks; no shell reads them.
std::vector<std::string> split_on_blanks(std::string_view text) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = text.find_first_not_of(" \t", at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
    words.emplace_back(text.substr(start, end - start));
    at = end;
  }
  return words;
}

std::string with_given(std::string complaint, std::string_view given) {
  if (given.empty()) return complaint;
  return complaint + ", not '" + std::string(given) + "'";
}

// Takes the value of one option; an empty string, or the complaint.
std::string take_value(std::string_view option, std::string_view value, RunOptions& options) {
  if (option == "--model-timeout") {
    if (parse_whole_number(value, 1, max_model_time_limit, options.model_time_limit)) return {};
    return with_given("--model-timeout takes a whole number of seconds from 1 to " +
                          std::to_string(max_model_time_limit),
                      value);
  }
  if (option == "--jobs") {
    if (parse_whole_number(value, 1, max_jobs, options.jobs)) return {};
    return with_given(
        "--jobs takes a whole number of model runs from 1 to " + std::to_string(max_jobs), value);
  }
  options.launcher = split_on_blanks(value);
  if (options.launcher.empty()) {
    return "--launcher takes a command and its arguments, e.g. 'srun -N1 -n1 --exclusive'";
  }
  return {};
}

constexpr std::string_view options_with_values[] = {"--model-timeout", "--jobs", "--launcher"};

}  // namespace

CommandLine parse_command_line(int argc, const char* const* argv) {
  CommandLine command_line;
  for (int at = 1; at < argc; ++at) {
    const std::string_view argument = argv[at];
    if (argument == "--help") return {CommandLineAction::show_help, {}, {}};
    if (argument == "--version") return {CommandLineAction::show_version, {}, {}};
    if (argument == "--no-lock") {
      command_line.options.lock_directory = false;
      continue;
    }
    if (!argument.starts_with("-")) {
      return refusal("no argument is taken but options, not '" + std::string(argument) + "'");
    }
    const std::string_view option = argument.substr(0, argument.find('='));
    if (std::find(std::begin(options_with_values), std::end(options_with_values), option) ==
        std::end(options_with_values)) {
      return refusal("unknown option '" + std::string(argument) + "'");
    }
    std::string_view value;
    if (option.size() < argument.size()) {
      value = argument.substr(option.size() + 1);
    } else if (at + 1 < argc) {
      value = argv[++at];
    }
    if (std::string complaint = take_value(option, value, command_line.options);
        !complaint.empty()) {
      return refusal(std::move(complaint));
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
