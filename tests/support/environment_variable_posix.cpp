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

}  // namespace genopt::test_support
