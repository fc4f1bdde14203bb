#pragma once
// Environment variables of the test process, which the programs it starts
// inherit, and of what a launcher starts.

#include <string>
#include <string_view>

namespace genopt::test_support {

// Sets `name` to `value`, or removes it when `value` is null.
void set_environment_variable(const char* name, const char* value);

// A launcher (--launcher) that sets `name` to `value` for the program it starts.
std::string launcher_that_sets(std::string_view name, std::string_view value);

}  // namespace genopt::test_support
