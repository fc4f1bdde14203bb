#pragma once
// Where the build put the programs under test.

#include <filesystem>
#include <string_view>

namespace genopt::test_support {

// The genopt binary of this build.
std::filesystem::path genopt_binary();

// The model program NAME built from tests/models/ (NAME.exe on Windows).
std::filesystem::path model_program(std::string_view name);

// True where starting a program costs many times what it costs on Linux
// (Windows, and Wine most of all): tests that start thousands of model runs
// are cut down there.
bool program_starts_are_slow();

}  // namespace genopt::test_support
