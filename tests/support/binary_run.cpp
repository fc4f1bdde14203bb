#include "support/binary_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/file_content.h"

extern char** environ;

namespace genopt::test_support {

namespace fs = std::filesystem;

ProgramRun run_genopt(std::string_view input) {
  // Standard streams live outside the directory under test, which must see
  // only the program's own files.
  std::string io_dir = (fs::temp_directory_path() / "genopt-io-XXXXXX").string();
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
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.console = file_content(out_name);
  run.errors = file_content(err_name);
  std::error_code ignored;
  fs::remove_all(io_dir, ignored);
  return run;
}

}  // namespace genopt::test_support
