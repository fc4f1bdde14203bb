#include <windows.h>

#include <string>

#include "support/build_paths.h"

namespace genopt::test_support {

namespace {

// The build directory, found as the test program's own directory: the paths
// CMake knows are the build machine's, which a cross-built program under Wine
// (or on a Windows machine the build was copied to) cannot use.
std::filesystem::path build_directory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return std::filesystem::path(path).parent_path();
}

}  // namespace

std::filesystem::path genopt_binary() { return build_directory() / "genopt.exe"; }

std::filesystem::path model_program(std::string_view name) {
  return build_directory() / "models" / (std::string(name) + ".exe");
}

bool program_starts_are_slow() { return true; }

}  // namespace genopt::test_support
