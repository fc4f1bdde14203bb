#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/binary_run.h"
#include "support/build_paths.h"
#include "support/descriptors.h"
#include "support/file_content.h"
#include "support/temporary_directory.h"

extern char** environ;

namespace genopt::test_support {

namespace fs = std::filesystem;

namespace {

// Standard input as `kind` says; a pipe's two ends are left in `pipe_ends`.
void set_input(posix_spawn_file_actions_t& actions, StandardInput kind, const std::string& file,
               int pipe_ends[2]) {
  switch (kind) {
    case StandardInput::file:
      posix_spawn_file_actions_addopen(&actions, 0, file.c_str(), O_RDONLY, 0);
      break;
    case StandardInput::pipe:
      if (make_pipe(pipe_ends)) posix_spawn_file_actions_adddup2(&actions, pipe_ends[0], 0);
      break;
    case StandardInput::null_device:
      posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
      break;
    case StandardInput::closed:
      posix_spawn_file_actions_addclose(&actions, 0);
      break;
  }
}

}  // namespace

ProgramRun run_genopt(std::string_view input, StandardInput kind,
                      const std::vector<std::string>& arguments) {
  // Standard streams live outside the directory under test, which must see
  // only the program's own files.
  const fs::path io_dir = make_temporary_directory("genopt-io");
  const std::string in_name = (io_dir / "in").string();
  const std::string out_name = (io_dir / "out").string();
  const std::string err_name = (io_dir / "err").string();
  std::ofstream(in_name, std::ios::binary) << input;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int pipe_ends[2] = {-1, -1};
  set_input(actions, kind, in_name, pipe_ends);
  posix_spawn_file_actions_addopen(&actions, 1, out_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  const std::string binary = genopt_binary().string();
  std::vector<char*> argv{const_cast<char*>(binary.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  ProgramRun run;
  if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    close_descriptor(pipe_ends[0]);
    // The input may be more than a pipe holds: it is fed while the program
    // runs. A program that ends before reading it all makes the write fail
    // with EPIPE; SIGPIPE, blocked in this thread, would end the test program.
    std::thread feeder([&] {
      sigset_t pipe_signal;
      sigemptyset(&pipe_signal);
      sigaddset(&pipe_signal, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
      if (pipe_ends[1] >= 0) write_all(pipe_ends[1], input);
      close_descriptor(pipe_ends[1]);
    });
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    feeder.join();
    if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  } else {
    close_descriptor(pipe_ends[0]);
    close_descriptor(pipe_ends[1]);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.console = file_content(out_name);
  run.errors = file_content(err_name);
  std::error_code ignored;
  fs::remove_all(io_dir, ignored);
  return run;
}

}  // namespace genopt::test_support
