#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
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

  bool set_up(bool own_group) {
    sigset_t signals;
    sigemptyset(&signals);
    if (!ready_ || posix_spawnattr_setsigmask(&attributes_, &signals) != 0) return false;
    sigaddset(&signals, SIGPIPE);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (own_group) {
      if (posix_spawnattr_setpgroup(&attributes_, 0) != 0) return false;
      flags |= POSIX_SPAWN_SETPGROUP;
    }
    return posix_spawnattr_setsigdefault(&attributes_, &signals) == 0 &&
           posix_spawnattr_setflags(&attributes_, flags) == 0;
  }
  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
  bool ready_ = false;
};

// posix_spawn starts the child without copying our memory, and reports a
// refused exec (ENOEXEC, EACCES...) as its own result.
bool spawn_with_null_input(const std::string& path, const char* program, bool own_group,
                           pid_t& child) {
  SpawnFileActions actions;
  SpawnAttributes attributes;
  if (!actions.set_up() || !attributes.set_up(own_group)) return false;
  char* argv[] = {const_cast<char*>(program), const_cast<char*>("-c"), const_cast<char*>("-r"),
                  nullptr};
  return posix_spawn(&child, path.c_str(), actions.get(), attributes.get(), argv, environ) == 0;
}

void wait_until_ended(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
  }
}

std::int64_t monotonic_ms() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

// True when the child ended within `milliseconds`. It is looked at often at
// first and then less often, so that a quick model is not held up and a slow
// one costs nearly nothing.
bool ended_within(pid_t child, std::int64_t milliseconds) {
  const std::int64_t deadline = monotonic_ms() + milliseconds;
  long pause_ns = 50'000;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child || (done == -1 && errno != EINTR)) return true;
    if (monotonic_ms() >= deadline) return false;
    const timespec pause{0, pause_ns};
    nanosleep(&pause, nullptr);
    pause_ns = pause_ns < 10'000'000 ? pause_ns * 2 : pause_ns;
  }
}

constexpr std::int64_t grace_ms = 2000;

// Everything the model started goes with it.
void end_group(pid_t child) {
  kill(-child, SIGTERM);
  if (!ended_within(child, grace_ms)) {
    kill(-child, SIGKILL);
    wait_until_ended(child);
  }
  kill(-child, SIGKILL);  // whatever of the group outlived its leader
}

}  // namespace

ModelRun run_model(const char* program, std::int32_t time_limit_seconds) {
  const std::optional<std::string> path = find_program(program);
  if (!path) return ModelRun::not_started;
  const bool limited = time_limit_seconds > 0;
  pid_t child = 0;
  if (!spawn_with_null_input(*path, program, limited, child)) return ModelRun::not_started;
  // The exit status and any signal are of no concern: the answer is in the work file.
  if (!limited) {
    wait_until_ended(child);
    return ModelRun::ended;
  }
  if (ended_within(child, std::int64_t{time_limit_seconds} * 1000)) return ModelRun::ended;
  end_group(child);
  return ModelRun::timed_out;
}

}  // namespace genopt
