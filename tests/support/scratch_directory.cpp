#include "support/scratch_directory.h"

#include <filesystem>
#include <fstream>

#include "support/build_paths.h"
#include "support/file_content.h"
#include "support/line_ends.h"
#include "support/temporary_directory.h"

namespace genopt::test_support {

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory() {
  previous_directory_ = fs::current_path().string();
  path_ = make_temporary_directory("genopt-test").string();
  fs::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  fs::current_path(previous_directory_, ignored);
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

// Names are UTF-8, as the tests write them; a path from a plain string
// would take the system's code page on Windows.
fs::path ScratchDirectory::file(std::string_view name) const {
  return fs::path(path_) /
         fs::path(std::u8string(reinterpret_cast<const char8_t*>(name.data()), name.size()));
}

void ScratchDirectory::write(std::string_view name, std::string_view content) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out << content;
}

std::string ScratchDirectory::read(std::string_view name) const { return file_content(file(name)); }

std::string ScratchDirectory::read_text(std::string_view name) const {
  return with_lf_line_ends(read(name));
}

bool ScratchDirectory::exists(std::string_view name) const { return fs::exists(file(name)); }

std::set<std::string> ScratchDirectory::names() const {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

void ScratchDirectory::install_model(std::string_view model_name) const {
  fs::copy_file(model_program(model_name), fs::path(path_) / "tarnix.exe",
                fs::copy_options::overwrite_existing);
}

}  // namespace genopt::test_support
