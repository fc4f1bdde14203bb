#include <stdlib.h>

#include <stdexcept>
#include <string>

#include "support/temporary_directory.h"

namespace genopt::test_support {

std::filesystem::path make_temporary_directory(std::string_view prefix) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace genopt::test_support
