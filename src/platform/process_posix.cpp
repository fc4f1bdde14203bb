#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A program named in a launcher is looked up along PATH only, as a shell
// would; a name with a slash is taken as it stands.
std::optional<std::string> find_launcher(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    if (is_executable_file(program)) return program;
    return std::nullopt;
  }
  const char* search_path = std::getenv("PATH");
  if (search_path == nullptr) return std::nullopt;
  std::string_view rest(search_path);
  while (true) {
    const std::size_t colon = rest.find(':');
    const std::string candidate = path_in(rest.substr(0, colon), program.c_str());
    if (is_executable_file(candidate)) return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(colon + 1);
  }
}

std::string current_directory() {
  std::string directory(4096, '\0');
  while (getcwd(directory.data(), directory.size()) == nullptr && errno == ERANGE) {
    directory.resize(directory.size() * 2);
  }
  directory.resize(std::strlen(directory.c_str()));
  return directory;
}

// A run in another directory, or under a launcher, is given the model's full path.
std::string absolute_path(const std::string& path, const std::string& directory) {
  if (path.starts_with('/')) return path;
  return directory + '/' + (path.starts_with("./") ? path.substr(2) : path);
}

// The program to start and its arguments: the model itself, or the launcher's
// words followed by the model's full path; then "-c" and "-r".
class ModelArguments {
 public:
  // False when the model or the launcher's program is not found. With
  // `run_directory` (the run's own, ours) the model's path is made full; a
  // launcher always gets it full.
  bool prepare(const ModelCommand& command, const std::string& run_directory) {
    const std::optional<std::string> model = find_program(command.program);
    if (!model) return false;
    const bool full_paths = !run_directory.empty() || !command.launcher.empty();
    const std::string directory = !full_paths             ? std::string()
                                  : run_directory.empty() ? current_directory()
                                                          : run_directory;
    const std::string model_path = full_paths ? absolute_path(*model, directory) : *model;
    words_.clear();
    if (command.launcher.empty()) {
      path_ = model_path;
      words_.emplace_back(command.program);
    } else {
      const std::optional<std::string> launcher = find_launcher(command.launcher.front());
      if (!launcher) return false;
      path_ = absolute_path(*launcher, directory);
      words_.assign(command.launcher.begin(), command.launcher.end());
      words_.push_back(model_path);
    }
    words_.emplace_back("-c");
    words_.emplace_back("-r");
    pointers_.clear();
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
    return true;
  }
  const char* path() const { return path_.c_str(); }
  char* const* argv() { return pointers_.data(); }

 private:
  std::string path_;
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

// The model's standard input is the null device; its output and error are
// ours; a run in a slot has the slot's directory as its current directory.
class SpawnFileActions {
 public:
  SpawnFileActions() { ready_ = posix_spawn_file_actions_init(&actions_) == 0; }
  ~SpawnFileActions() {
    if (ready_) posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnFileActions(const SpawnFileActions&) = delete;
  SpawnFileActions& operator=(const SpawnFileActions&) = delete;

  bool set_up(const char* directory) {
    if (!ready_ ||
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) != 0) {
      return false;
    }
    return directory == nullptr || posix_spawn_file_actions_addchdir_np(&actions_, directory) == 0;
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

struct SpawnPlace {
  const char* directory = nullptr;  // null: ours
  char* const* environment = environ;
  bool own_group = false;
};

// posix_spawn starts the child without copying our memory, and reports a
// refused exec (ENOEXEC, EACCES...) as its own result.
bool spawn_model(ModelArguments& arguments, const SpawnPlace& place, pid_t& child) {
  SpawnFileActions actions;
  SpawnAttributes attributes;
  if (!actions.set_up(place.directory) || !attributes.set_up(place.own_group)) return false;
  return posix_spawn(&child, arguments.path(), actions.get(), attributes.get(), arguments.argv(),
                     place.environment) == 0;
}

void wait_until_ended(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
  }
}

// True once the child has ended and is reaped.
bool has_ended(pid_t child) {
  int status = 0;
  pid_t done = 0;
  do {
    done = waitpid(child, &status, WNOHANG);
  } while (done == -1 && errno == EINTR);
  return done == child || done == -1;
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
    if (has_ended(child)) return true;
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

ModelRun run_model(const ModelCommand& command, std::int32_t time_limit_seconds) {
  ModelArguments arguments;
  if (!arguments.prepare(command, {})) return ModelRun::not_started;
  const bool limited = time_limit_seconds > 0;
  pid_t child = 0;
  if (!spawn_model(arguments, {.own_group = limited}, child)) return ModelRun::not_started;
  // The exit status and any signal are of no concern: the answer is in the work file.
  if (!limited) {
    wait_until_ended(child);
    return ModelRun::ended;
  }
  if (ended_within(child, std::int64_t{time_limit_seconds} * 1000)) return ModelRun::ended;
  end_group(child);
  return ModelRun::timed_out;
}

namespace {

// The process groups of the runs going on, for the handler that ends them
// when the program itself is ended by a signal.
volatile sig_atomic_t running_groups[max_side_by_side_runs + 1]{};
constexpr int ending_signals[3] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction actions_before_slots[3]{};

extern "C" void end_runs_and_reraise(int signal_number) {
  const int saved_errno = errno;
  for (const volatile sig_atomic_t& group : running_groups) {
    if (group > 0) kill(-static_cast<pid_t>(group), SIGTERM);
  }
  for (int at = 0; at < 3; ++at) {
    if (ending_signals[at] == signal_number)
      sigaction(signal_number, &actions_before_slots[at], nullptr);
  }
  raise(signal_number);  // delivered as soon as this handler returns
  errno = saved_errno;
}

// A signal the program was told to ignore stays ignored.
void install_ending_handlers() {
  for (int at = 0; at < 3; ++at) {
    sigaction(ending_signals[at], nullptr, &actions_before_slots[at]);
    if (actions_before_slots[at].sa_handler == SIG_IGN) continue;
    struct sigaction ending {};
    ending.sa_handler = end_runs_and_reraise;
    sigemptyset(&ending.sa_mask);
    sigaction(ending_signals[at], &ending, nullptr);
  }
}

void restore_ending_handlers() {
  for (int at = 0; at < 3; ++at) sigaction(ending_signals[at], &actions_before_slots[at], nullptr);
}

enum class SlotState : std::uint8_t { idle, running, ended, timed_out };

struct Slot {
  std::string directory;
  std::vector<std::string> environment;  // ours, with this slot's GENOPT_SLOT
  std::vector<char*> environment_pointers;
  ModelArguments arguments;
  pid_t child = 0;
  std::int64_t deadline_ms = 0;
  SlotState state = SlotState::idle;
};

std::vector<std::string> environment_of_slot(std::int32_t slot) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!std::string_view(*entry).starts_with("GENOPT_SLOT=")) environment.emplace_back(*entry);
  }
  environment.push_back("GENOPT_SLOT=" + std::to_string(slot));
  return environment;
}

}  // namespace

// The end of a child is awaited with SIGCHLD blocked and taken by
// sigtimedwait: a child that ends at any moment wakes the wait at once, and
// no handler is needed.
struct ModelRunSlots::Platform {
  ModelCommand command;
  std::vector<std::string> launcher;
  std::int32_t time_limit_seconds = 0;
  std::string run_directory = current_directory();
  std::array<Slot, max_side_by_side_runs + 1> slots{};
  sigset_t mask_before{};
  struct sigaction child_action_before {};

  void reap_ended() {
    for (Slot& slot : slots) {
      if (slot.state == SlotState::running && has_ended(slot.child)) finish(slot, SlotState::ended);
    }
  }

  void end_overdue() {
    if (time_limit_seconds <= 0) return;
    for (Slot& slot : slots) {
      if (slot.state != SlotState::running || monotonic_ms() < slot.deadline_ms) continue;
      end_group(slot.child);
      finish(slot, SlotState::timed_out);
    }
  }

  void finish(Slot& slot, SlotState state) {
    slot.state = state;
    running_groups[&slot - slots.data()] = 0;
  }

  // Sleeps until a child ends, the next time limit falls due, or `longest_ms` pass.
  void sleep_until_a_child_ends(std::int64_t longest_ms = 1000) {
    std::int64_t wait_ms = std::max<std::int64_t>(longest_ms, 0);
    for (const Slot& slot : slots) {
      if (slot.state == SlotState::running && time_limit_seconds > 0) {
        wait_ms = std::min(wait_ms, std::max<std::int64_t>(slot.deadline_ms - monotonic_ms(), 0));
      }
    }
    sigset_t child_ended;
    sigemptyset(&child_ended);
    sigaddset(&child_ended, SIGCHLD);
    const timespec timeout{static_cast<time_t>(wait_ms / 1000),
                           static_cast<long>(wait_ms % 1000) * 1'000'000};
    sigtimedwait(&child_ended, nullptr, &timeout);
  }
};

ModelRunSlots::ModelRunSlots(const ModelCommand& command, std::int32_t time_limit_seconds)
    : platform_(std::make_unique<Platform>()) {
  Platform& platform = *platform_;
  platform.launcher.assign(command.launcher.begin(), command.launcher.end());
  platform.command = {command.program, platform.launcher};
  platform.time_limit_seconds = time_limit_seconds;
  // An ignored SIGCHLD would reap the children before we could wait for them.
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(SIGCHLD, &default_action, &platform.child_action_before);
  sigset_t child_ended;
  sigemptyset(&child_ended);
  sigaddset(&child_ended, SIGCHLD);
  sigprocmask(SIG_BLOCK, &child_ended, &platform.mask_before);
  install_ending_handlers();
}

ModelRunSlots::~ModelRunSlots() {
  end_all();
  restore_ending_handlers();
  sigprocmask(SIG_SETMASK, &platform_->mask_before, nullptr);
  sigaction(SIGCHLD, &platform_->child_action_before, nullptr);
}

void ModelRunSlots::set_directory(std::int32_t slot, std::string_view directory) {
  Slot& target = platform_->slots[slot];
  target.directory = std::string(directory);
  target.environment = environment_of_slot(slot);
  target.environment_pointers.clear();
  for (std::string& entry : target.environment) target.environment_pointers.push_back(entry.data());
  target.environment_pointers.push_back(nullptr);
}

bool ModelRunSlots::start(std::int32_t slot) {
  Platform& platform = *platform_;
  Slot& target = platform.slots[slot];
  if (!target.arguments.prepare(platform.command, platform.run_directory)) return false;
  const SpawnPlace place{target.directory.c_str(), target.environment_pointers.data(), true};
  if (!spawn_model(target.arguments, place, target.child)) return false;
  target.state = SlotState::running;
  target.deadline_ms = monotonic_ms() + std::int64_t{platform.time_limit_seconds} * 1000;
  running_groups[slot] = target.child;
  return true;
}

ModelRun ModelRunSlots::wait(std::int32_t slot) {
  Platform& platform = *platform_;
  Slot& target = platform.slots[slot];
  for (;;) {
    platform.reap_ended();
    platform.end_overdue();
    if (target.state != SlotState::running) break;
    platform.sleep_until_a_child_ends();
  }
  const SlotState state = target.state;
  target.state = SlotState::idle;
  return state == SlotState::timed_out ? ModelRun::timed_out : ModelRun::ended;
}

void ModelRunSlots::end_all() {
  Platform& platform = *platform_;
  for (Slot& slot : platform.slots) {
    if (slot.state == SlotState::running) kill(-slot.child, SIGTERM);
  }
  const std::int64_t grace_end = monotonic_ms() + grace_ms;
  for (;;) {
    platform.reap_ended();
    const bool any_running =
        std::any_of(platform.slots.begin(), platform.slots.end(),
                    [](const Slot& s) { return s.state == SlotState::running; });
    if (!any_running || monotonic_ms() >= grace_end) break;
    platform.sleep_until_a_child_ends(grace_end - monotonic_ms());
  }
  for (Slot& slot : platform.slots) {
    if (slot.state == SlotState::running) {
      kill(-slot.child, SIGKILL);
      wait_until_ended(slot.child);
    }
    if (slot.state != SlotState::idle) kill(-slot.child, SIGKILL);  // what outlived its leader
    platform.finish(slot, SlotState::idle);
  }
}

}  // namespace genopt
