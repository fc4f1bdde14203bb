#pragma once
// Fresh directories of a test's own in the system's place for temporary files.

#include <filesystem>
#include <string_view>

namespace genopt::test_support {

// Makes a new, empty directory whose name begins with `prefix`; throws when
// none can be made.
std::filesystem::path make_temporary_directory(std::string_view prefix);

}  // namespace genopt::test_support
