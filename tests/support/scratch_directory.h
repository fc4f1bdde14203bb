#pragma once
// A fresh temporary directory that a test works in (it becomes the current
// directory) and that is removed afterwards, with helpers to put files there
// and read them back.

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
  void write(std::string_view name, std::string_view content) const;
  std::string read(std::string_view name) const;
  bool exists(std::string_view name) const;
  // Copies a model program of the build (build/models/NAME) in as tarnix.exe.
  void install_model(std::string_view model_name) const;

 private:
  std::string path_;
  std::string previous_directory_;
};

}  // namespace genopt::test_support
