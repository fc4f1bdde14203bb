#include "support/scratch_directory.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

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
  std::ifstream in(fs::path(path_) / std::string(name), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool ScratchDirectory::exists(std::string_view name) const {
  return fs::exists(fs::path(path_) / std::string(name));
}

void ScratchDirectory::install_model(std::string_view model_name) const {
  fs::copy_file(fs::path(GENOPT_MODELS_DIR) / std::string(model_name),
                fs::path(path_) / "tarnix.exe", fs::copy_options::overwrite_existing);
}

namespace {

std::string slurp(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace

ProgramRun run_genopt(std::string_view input) {
  // Standard streams live outside the directory under test, which must see
  // only the program's own files.
  const std::string io_base = (fs::temp_directory_path() / "genopt-io-XXXXXX").string();
  std::string io_dir = io_base;
  if (::mkdtemp(io_dir.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  const std::string in_name = io_dir + "/in";
  const std::string out_name = io_dir + "/out";
  const std::string err_name = io_dir + "/err";
  std::ofstream(in_name, std::ios::binary) << input;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_name.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  const char* binary = GENOPT_BINARY;
  char* argv[] = {const_cast<char*>(binary), nullptr};
  pid_t pid = 0;
  ProgramRun run;
  if (posix_spawn(&pid, binary, &actions, nullptr, argv, environ) == 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.console = slurp(out_name);
  run.errors = slurp(err_name);
  std::error_code ignored;
  fs::remove_all(io_dir, ignored);
  return run;
}

std::string stop_at_poll(int poll) {
  return std::string(static_cast<std::size_t>(poll - 1), 'x') + "1";
}

std::string settings_text(std::int32_t k, std::int32_t console_period, std::int32_t file_period,
                          const std::vector<std::pair<double, double>>& bounds) {
  std::ostringstream text;
  text << "'test problem'\n" << k << "\n" << console_period << " " << file_period << "\n";
  for (const auto& [lower, upper] : bounds) {
    char buffer[64];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, lower).ptr;
    *end++ = ' ';
    end = std::to_chars(end, buffer + sizeof buffer, upper).ptr;
    text << std::string_view(buffer, static_cast<std::size_t>(end - buffer)) << "\n";
  }
  return text.str();
}

}  // namespace genopt::test_support
