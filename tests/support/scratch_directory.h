#pragma once
// A fresh temporary directory that a test works in (it becomes the current
// directory) and that is removed afterwards, with helpers to put files there
// and read them back.

#include <filesystem>
#include <set>
#include <string>
#include <string_view>

namespace genopt::test_support {

class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& path() const { return path_; }
  // The file `name` (UTF-8) of the directory.
  std::filesystem::path file(std::string_view name) const;
  void write(std::string_view name, std::string_view content) const;
  // Every byte of the file.
  std::string read(std::string_view name) const;
  // A text file the programs wrote, its line ends read as LF; a line end
  // that is not the platform's fails the test (see support/line_ends.h).
  std::string read_text(std::string_view name) const;
  bool exists(std::string_view name) const;
  // The names of everything in the directory.
  std::set<std::string> names() const;
  // Copies a model program of the build (build/models/NAME, NAME.exe on
  // Windows) in as tarnix.exe.
  void install_model(std::string_view model_name) const;

 private:
  std::string path_;
  std::string previous_directory_;
};

}  // namespace genopt::test_support
