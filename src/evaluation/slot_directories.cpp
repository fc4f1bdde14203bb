#include "evaluation/slot_directories.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "text/messages.h"

namespace genopt {

namespace {

// Files that genopt writes: a model in a slot has its own work file, and a
// link would let it change the others. The input files are linked: models
// read the ranges from the settings file, as they do beside genopt.
constexpr std::string_view own_files[] = {
    text::work_file_name,         text::lock_file_name,
    text::selection_file_name,    text::result_file_name,
    text::trace_before_file_name, text::trace_after_file_name,
    text::iterations_file_name,   text::integer_flags_failure_file_name,
    text::continuation_file_name, text::continuation_companion_file_name,
    text::slots_directory_name,
};

Outcome failure_at(std::string path, int error);

bool is_own_file(std::string_view name) {
  return std::find(std::begin(own_files), std::end(own_files), name) != std::end(own_files);
}

Outcome link_run_files(const std::string& directory, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (is_own_file(name)) continue;
    const std::string link = directory + '/' + name;
    if (const int error = files::make_link("../../" + name, link); error != 0) {
      return failure_at(link, error);
    }
  }
  return {};
}

// The outcome names the path; the text lives on until the failure is told.
Outcome failure_at(std::string path, int error) {
  static std::string failed_path;
  failed_path = std::move(path);
  return platform_failure(failed_path, error);
}

}  // namespace

std::string slot_directory(std::int32_t slot) {
  return std::string(text::slots_directory_name) + '/' + std::to_string(slot);
}

Outcome make_slot_directories(std::int32_t count) {
  if (Outcome outcome = remove_slot_directories(); !outcome.ok()) return outcome;
  std::vector<std::string> names;
  if (const int error = files::list_directory(".", names); error != 0) {
    return platform_failure(".", error);
  }
  if (const int error = files::make_directory(text::slots_directory_name); error != 0) {
    return platform_failure(text::slots_directory_name, error);
  }
  for (std::int32_t slot = 1; slot <= count; ++slot) {
    const std::string directory = slot_directory(slot);
    if (const int error = files::make_directory(directory); error != 0) {
      return failure_at(directory, error);
    }
    if (Outcome outcome = link_run_files(directory, names); !outcome.ok()) return outcome;
  }
  return {};
}

Outcome remove_slot_directories() {
  if (const int error = files::remove_tree(text::slots_directory_name); error != 0) {
    return platform_failure(text::slots_directory_name, error);
  }
  return {};
}

}  // namespace genopt
