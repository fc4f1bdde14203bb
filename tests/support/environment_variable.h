#pragma once
// Environment variables of the test process, which the programs it starts inherit.

namespace genopt::test_support {

// Sets `name` to `value`, or removes it when `value` is null.
void set_environment_variable(const char* name, const char* value);

}  // namespace genopt::test_support
