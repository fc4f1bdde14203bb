#pragma once
// Whole files read back as bytes, exactly as they stand.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace genopt::test_support {

// Every byte of the file; a file that cannot be read reads as empty.
inline std::string file_content(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace genopt::test_support
