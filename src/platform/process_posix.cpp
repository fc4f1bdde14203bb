#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "platform/process.h"

extern char** environ;

namespace genopt {

namespace {

bool is_executable_file(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

// A name in a directory; an empty directory (an empty PATH entry) is the current one.
std::string path_in(std::string_view directory, const char* program) {
  if (directory.empty()) return std::string("./") + program;
  std::string path(directory);
  if (path.back() != '/') path += '/';
  return path + program;
}

// The current directory comes first, then PATH in its order; a name with a
// slash is taken as it stands.
std::optional<std::string> find_program(const char* program) {
  if (std::strchr(program, '/') != nullptr) {
    if (is_executable_file(program)) return std::string(program);
    return std::nullopt;
  }
  if (std::string here = path_in("", program); is_executable_file(here)) return here;
  const char* search_path = std::getenv("PATH");
  if (search_path == nullptr) return std::nullopt;
  std::string_view rest(search_path);
  while (true) {
    const std::size_t colon = rest.find(':');
    const std::string candidate = path_in(rest.substr(0, colon), program);
    if (is_executable_file(candidate)) return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(colon + 1);
  }
}

// The model's standard input is the null device; its output and error are ours.
class SpawnFileActions {
 public:
  SpawnFileActions() { ready_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnFileActions() {
    if (ready_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnFileActions(const SpawnFileActions&) = delete;
  SpawnFileActions& operator=(const SpawnFileActions&) = delete;

  bool set_up() {
    return ready_ &&
           posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0;
  }
  const posix_spawn_file_actions_t* get() const { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
  bool ready_ = false;
};

// We ignore SIGPIPE, and an ignored signal would stay ignored in the model:
// the model gets the default action of SIGPIPE and an empty signal mask.
class SpawnAttributes {
 public:
  SpawnAttributes() { ready_ = posix_spawnattr_init(&attributes_) == 0; }
  ~SpawnAttributes() {
    if (ready_) posix_spawnattr_destroy(&attributes_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;

  bool set_up() {
    sigset_t signals;
    sigemptyset(&signals);
    if (!ready_ || posix_spawnattr_setsigmask(&attributes_, &signals) != 0) return false;
    sigaddset(&signals, SIGPIPE);
    return posix_spawnattr_setsigdefault(&attributes_, &signals) == 0 &&
           posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) ==
               0;
  }
  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
  bool ready_ = false;
};

// posix_spawn starts the child without copying our memory, and reports a
// refused exec (ENOEXEC, EACCES...) as its own result.
bool spawn_with_null_input(const std::string& path, const char* program, pid_t& child) {
  SpawnFileActions actions;
  SpawnAttributes attributes;
  if (!actions.set_up() || !attributes.set_up()) return false;
  char* argv[] = {const_cast<char*>(program), const_cast<char*>("-c"), const_cast<char*>("-r"),
                  nullptr};
  return posix_spawn(&child, path.c_str(), actions.get(), attributes.get(), argv, environ) == 0;
}

void wait_until_ended(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
  }
}

}  // namespace

ModelRun run_model(const char* program) {
  const std::optional<std::string> path = find_program(program);
  if (!path) return ModelRun::not_started;
  pid_t child = 0;
  if (!spawn_with_null_input(*path, program, child)) return ModelRun::not_started;
  // The exit status and any signal are of no concern: the answer is in the work file.
  wait_until_ended(child);
  return ModelRun::ended;
}

}  // namespace genopt
