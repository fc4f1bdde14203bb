#include <stdlib.h>
#include <windows.h>

#include "support/environment_variable.h"

namespace genopt::test_support {

// The C runtime keeps a copy of the environment beside the process's own,
// which CreateProcess passes on: both are set, whichever the code under test reads.
void set_environment_variable(const char* name, const char* value) {
  ::_putenv_s(name, value == nullptr ? "" : value);
  ::SetEnvironmentVariableA(name, value);
}

// The command interpreter runs what follows "&&" once the variable is set.
std::string launcher_that_sets(std::string_view name, std::string_view value) {
  return "cmd /c set " + std::string(name) + "=" + std::string(value) + "&&";
}

}  // namespace genopt::test_support
