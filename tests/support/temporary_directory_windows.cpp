#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <system_error>

#include "support/temporary_directory.h"

namespace genopt::test_support {

// The process id and a count make the name unique among the test programs
// running at once; create_directory refusing a name that exists makes it new.
std::filesystem::path make_temporary_directory(std::string_view prefix) {
  static std::atomic<unsigned> made{0};
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::filesystem::path candidate =
        base / (std::string(prefix) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(made++));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) return candidate;
  }
  throw std::runtime_error("no temporary directory could be made");
}

}  // namespace genopt::test_support
