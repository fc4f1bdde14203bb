#include <string>

#include "support/build_paths.h"

namespace genopt::test_support {

std::filesystem::path genopt_binary() { return GENOPT_BINARY; }

std::filesystem::path model_program(std::string_view name) {
  return std::filesystem::path(GENOPT_MODELS_DIR) / std::string(name);
}

bool program_starts_are_slow() { return false; }

}  // namespace genopt::test_support
