#include <stdlib.h>

#include "support/environment_variable.h"

namespace genopt::test_support {

void set_environment_variable(const char* name, const char* value) {
  if (value == nullptr) {
    ::unsetenv(name);
  } else {
    ::setenv(name, value, 1);
  }
}

std::string launcher_that_sets(std::string_view name, std::string_view value) {
  return "env " + std::string(name) + "=" + std::string(value);
}

}  // namespace genopt::test_support
