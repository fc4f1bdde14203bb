#include "support/scratch_directory.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/file_content.h"

namespace genopt::test_support {

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory() {
  previous_directory_ = fs::current_path().string();
  std::string pattern = (fs::temp_directory_path() / "genopt-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  fs::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  fs::current_path(previous_directory_, ignored);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

void ScratchDirectory::write(std::string_view name, std::string_view content) const {
  std::ofstream out(fs::path(path_) / std::string(name), std::ios::binary | std::ios::trunc);
  out << content;
}

std::string ScratchDirectory::read(std::string_view name) const {
  return file_content(fs::path(path_) / std::string(name));
}

bool ScratchDirectory::exists(std::string_view name) const {
  return fs::exists(fs::path(path_) / std::string(name));
}

void ScratchDirectory::install_model(std::string_view model_name) const {
  fs::copy_file(fs::path(GENOPT_MODELS_DIR) / std::string(model_name),
                fs::path(path_) / "tarnix.exe", fs::copy_options::overwrite_existing);
}

}  // namespace genopt::test_support
