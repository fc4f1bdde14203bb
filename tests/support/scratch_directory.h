#pragma once
// A fresh temporary directory that a test works in (it becomes the current
// directory) and that is removed afterwards, with helpers to put files there,
// read them back and run the genopt binary in it.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace genopt::test_support {

class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& path() const { return path_; }
  void write(std::string_view name, std::string_view content) const;
  std::string read(std::string_view name) const;
  bool exists(std::string_view name) const;
  // Copies a model program of the build (build/models/NAME) in as tarnix.exe.
  void install_model(std::string_view model_name) const;

 private:
  std::string path_;
  std::string previous_directory_;
};

struct ProgramRun {
  int exit_status = -1;  // -1 when it did not exit normally
  int signal = 0;        // the signal that ended it, if any
  std::string console;   // what it wrote on standard output
  std::string errors;    // what it wrote on standard error
};

// Runs the genopt binary in the current directory with `input` as its
// standard input (a regular file holding those bytes) and the environment
// given (empty: our own).
ProgramRun run_genopt(std::string_view input = {});

// Keys that end a search at poll `poll`: poll - 1 bytes that are no key, then "1".
std::string stop_at_poll(int poll);

// A settings file: text line, K, the two periods, one pair a line.
std::string settings_text(std::int32_t k, std::int32_t console_period, std::int32_t file_period,
                          const std::vector<std::pair<double, double>>& bounds);

}  // namespace genopt::test_support
