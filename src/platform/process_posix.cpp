// Model runs on POSIX: posix_spawn into a process group of its own, the end
// of a child awaited with SIGCHLD blocked and taken by sigtimedwait, so that
// a child that ends at any moment wakes the wait at once without a handler.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/process_system.h"

extern char** environ;

namespace genopt::model_run_system {

namespace {

bool is_executable_file(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

std::string current_directory() {
  std::string directory(4096, '\0');
  while (getcwd(directory.data(), directory.size()) == nullptr && errno == ERANGE) {
    directory.resize(directory.size() * 2);
  }
  directory.resize(std::strlen(directory.c_str()));
  return directory;
}

// A name with a slash is taken as it stands. The model is looked for in the
// current directory first, a launcher's program along PATH only, as a shell
// would; an empty PATH entry is the current directory. The result is full.
bool find_program(const std::string& name, bool here_first, const std::string& here,
                  std::string& found) {
  const auto take = [&](std::string_view directory) {
    found.assign(directory.empty() ? here : std::string(directory));
    if (found.empty() || found.back() != '/') found += '/';
    found += name;
    return is_executable_file(found);
  };
  if (name.find('/') != std::string::npos) {
    found = name.front() == '/' ? name : here + '/' + name;
    return is_executable_file(found);
  }
  if (here_first && take(here)) return true;
  const char* search_path = std::getenv("PATH");
  if (search_path == nullptr) return false;
  std::string_view rest(search_path);
  for (;;) {
    const std::size_t colon = rest.find(':');
    if (take(rest.substr(0, colon))) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

// How a slot's runs start: its directory, its environment, and the spawn
// settings, made once, since making them allocates.
struct Place {
  Place() = default;
  Place(const Place&) = delete;
  Place& operator=(const Place&) = delete;
  ~Place() {
    if (actions_ready) posix_spawn_file_actions_destroy(&actions);
  }

  std::string directory;                 // empty: ours
  std::vector<std::string> environment;  // slots 1..: ours, with the slot's GENOPT_SLOT
  std::vector<char*> environment_pointers;
  posix_spawn_file_actions_t actions{};
  bool actions_ready = false;
};

std::vector<std::string> environment_of_slot(std::int32_t slot) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!std::string_view(*entry).starts_with("GENOPT_SLOT=")) environment.emplace_back(*entry);
  }
  environment.push_back("GENOPT_SLOT=" + std::to_string(slot));
  return environment;
}

// The model's standard input is the null device; its output and error are ours.
bool prepare_actions(Place& place) {
  if (place.actions_ready) return true;
  if (posix_spawn_file_actions_init(&place.actions) != 0) return false;
  place.actions_ready = true;
  if (posix_spawn_file_actions_addopen(&place.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) !=
      0) {
    return false;
  }
  return place.directory.empty() ||
         posix_spawn_file_actions_addchdir_np(&place.actions, place.directory.c_str()) == 0;
}

// We ignore SIGPIPE, and an ignored signal would stay ignored in the model:
// the model gets the default action of SIGPIPE, an empty signal mask, and a
// process group of its own.
bool prepare_attributes(posix_spawnattr_t& attributes) {
  if (posix_spawnattr_init(&attributes) != 0) return false;
  sigset_t signals;
  sigemptyset(&signals);
  if (posix_spawnattr_setsigmask(&attributes, &signals) != 0) return false;
  sigaddset(&signals, SIGPIPE);
  const short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP;
  return posix_spawnattr_setsigdefault(&attributes, &signals) == 0 &&
         posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
         posix_spawnattr_setflags(&attributes, flags) == 0;
}

sigset_t child_ended_set() {
  sigset_t child_ended;
  sigemptyset(&child_ended);
  sigaddset(&child_ended, SIGCHLD);
  return child_ended;
}

void wait_until_reaped(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
  }
}

}  // namespace

struct Starts {
  std::string program;
  std::vector<std::string> launcher;
  std::string here = current_directory();

  // Found at the first start: the path to start and its arguments.
  bool found = false;
  std::string path;
  std::vector<std::string> words;
  std::vector<char*> arguments;

  std::array<Place, max_side_by_side_runs + 1> places{};
  posix_spawnattr_t attributes{};
  bool attributes_ready = false;
  sigset_t mask_before{};
  struct sigaction child_action_before {};

  // The model itself, or the launcher's words followed by the model's full
  // path; then "-c" and "-r".
  bool find() {
    std::string model;
    if (!find_program(program, true, here, model)) return false;
    words.clear();
    if (launcher.empty()) {
      path = model;
      words.push_back(program);
    } else {
      if (!find_program(launcher.front(), false, here, path)) return false;
      words = launcher;
      words.push_back(model);
    }
    words.emplace_back("-c");
    words.emplace_back("-r");
    arguments.clear();
    for (std::string& word : words) arguments.push_back(word.data());
    arguments.push_back(nullptr);
    return true;
  }
};

void StartsDeleter::operator()(Starts* starts) const {
  if (starts->attributes_ready) posix_spawnattr_destroy(&starts->attributes);
  sigprocmask(SIG_SETMASK, &starts->mask_before, nullptr);
  sigaction(SIGCHLD, &starts->child_action_before, nullptr);
  delete starts;
}

StartsPointer make_starts(const ModelCommand& command) {
  StartsPointer starts(new Starts);
  starts->program = command.program;
  starts->launcher.assign(command.launcher.begin(), command.launcher.end());
  // An ignored SIGCHLD would reap the children before we could wait for them.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(SIGCHLD, &default_action, &starts->child_action_before);
  const sigset_t child_ended = child_ended_set();
  sigprocmask(SIG_BLOCK, &child_ended, &starts->mask_before);
  starts->attributes_ready = prepare_attributes(starts->attributes);
  return starts;
}

void set_directory(Starts& starts, std::int32_t slot, std::string_view directory) {
  Place& place = starts.places[static_cast<std::size_t>(slot)];
  place.directory = std::string(directory);
  place.environment = environment_of_slot(slot);
  place.environment_pointers.clear();
  for (std::string& entry : place.environment) place.environment_pointers.push_back(entry.data());
  place.environment_pointers.push_back(nullptr);
}

// posix_spawn starts the child without copying our memory, and reports a
// refused exec (ENOEXEC, EACCES...) as its own result.
bool start(Starts& starts, std::int32_t slot, RunningProcess& run) {
  if (!starts.found) starts.found = starts.find();
  Place& place = starts.places[static_cast<std::size_t>(slot)];
  if (!starts.found || !starts.attributes_ready || !prepare_actions(place)) return false;
  char* const* environment =
      place.environment_pointers.empty() ? environ : place.environment_pointers.data();
  pid_t child = 0;
  if (posix_spawn(&child, starts.path.c_str(), &place.actions, &starts.attributes,
                  starts.arguments.data(), environment) != 0) {
    starts.found = false;  // looked up again at the next start
    return false;
  }
  run.process = child;
  run.group = child;
  return true;
}

// The child is not reaped here: while it is a zombie, its process id, and so
// its group's, cannot be taken by another process.
bool has_ended(const RunningProcess& run) {
  siginfo_t info{};
  int result = 0;
  do {
    result = waitid(P_PID, static_cast<id_t>(run.process), &info, WEXITED | WNOHANG | WNOWAIT);
  } while (result == -1 && errno == EINTR);
  return result == -1 || info.si_pid != 0;
}

void ask_to_end(const RunningProcess& run) { kill(-static_cast<pid_t>(run.group), SIGTERM); }

// Whatever the run left going goes with it, at once.
void end_and_release(RunningProcess& run) {
  kill(-static_cast<pid_t>(run.group), SIGKILL);
  wait_until_reaped(static_cast<pid_t>(run.process));
  run = {};
}

void sleep_until_one_ends(Starts&, std::span<const RunningProcess>, std::int64_t longest_ms) {
  const sigset_t child_ended = child_ended_set();
  const timespec timeout{static_cast<time_t>(longest_ms / 1000),
                         static_cast<long>(longest_ms % 1000) * 1'000'000};
  sigtimedwait(&child_ended, nullptr, &timeout);
}

std::int64_t monotonic_ms() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

namespace {

// A group is gone when no process is left in it; its leader is reaped here,
// as a zombie would keep it.
bool group_is_gone(pid_t group) {
  int status = 0;
  waitpid(group, &status, WNOHANG);
  return kill(-group, 0) == -1 && errno == ESRCH;
}

}  // namespace

// Only calls that are safe in a signal handler.
void end_from_signal_handler(std::span<const std::atomic<std::intptr_t>> groups,
                             std::int64_t grace_ms) {
  for (const std::atomic<std::intptr_t>& group : groups) {
    if (group > 0) kill(-static_cast<pid_t>(group.load()), SIGTERM);
  }
  const std::int64_t deadline = monotonic_ms() + grace_ms;
  for (;;) {
    bool all_gone = true;
    for (const std::atomic<std::intptr_t>& group : groups) {
      if (group > 0 && !group_is_gone(static_cast<pid_t>(group.load()))) all_gone = false;
    }
    if (all_gone || monotonic_ms() >= deadline) break;
    const timespec pause{0, 10'000'000};
    nanosleep(&pause, nullptr);
  }
  for (const std::atomic<std::intptr_t>& group : groups) {
    if (group > 0) kill(-static_cast<pid_t>(group.load()), SIGKILL);
  }
}

}  // namespace genopt::model_run_system
