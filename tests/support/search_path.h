#pragma once
// PATH pointed at an empty directory of the test's own while it lives, so
// that no tarnix.exe installed on the machine can be found; the old PATH, or
// its absence, comes back afterwards. The directory is made outside the
// current one, which a test wants to hold only its own files.

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

namespace genopt::test_support {

class EmptySearchPath {
 public:
  EmptySearchPath() {
    if (const char* path = ::getenv("PATH")) previous_ = path;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "genopt-empty-path-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;
    ::setenv("PATH", directory_.c_str(), 1);
  }
  ~EmptySearchPath() {
    if (previous_) {
      ::setenv("PATH", previous_->c_str(), 1);
    } else {
      ::unsetenv("PATH");
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  EmptySearchPath(const EmptySearchPath&) = delete;
  EmptySearchPath& operator=(const EmptySearchPath&) = delete;

 private:
  std::optional<std::string> previous_;
  std::string directory_;
};

}  // namespace genopt::test_support
