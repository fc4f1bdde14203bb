#pragma once
// PATH pointed at an empty directory of the test's own while it lives, so
// that no tarnix.exe installed on the machine can be found; the old PATH, or
// its absence, comes back afterwards. The directory is made outside the
// current one, which a test wants to hold only its own files.

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "support/environment_variable.h"
#include "support/temporary_directory.h"

namespace genopt::test_support {

class EmptySearchPath {
 public:
  EmptySearchPath() {
    if (const char* path = ::getenv("PATH")) previous_ = path;
    directory_ = make_temporary_directory("genopt-empty-path").string();
    set_environment_variable("PATH", directory_.c_str());
  }
  ~EmptySearchPath() {
    set_environment_variable("PATH", previous_ ? previous_->c_str() : nullptr);
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
