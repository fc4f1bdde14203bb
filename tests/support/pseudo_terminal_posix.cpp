#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>
#include <thread>

#include "support/pseudo_terminal.h"

extern char** environ;

namespace genopt::test_support {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds left_until(Clock::time_point deadline) {
  return std::max(std::chrono::milliseconds(0),
                  std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
}

int open_master() {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return -1;
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
    ::close(master);
    return -1;
  }
  return master;
}

// The child opens the slave after POSIX_SPAWN_SETSID made it a session
// leader without a terminal, so the slave becomes its controlling terminal.
pid_t spawn_on(const char* slave_name, TerminalRun::Session session) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const int no_terminal = session == TerminalRun::Session::ours ? O_NOCTTY : 0;
  posix_spawn_file_actions_addopen(&actions, 0, slave_name, O_RDWR | no_terminal, 0);
  posix_spawn_file_actions_adddup2(&actions, 0, 1);
  posix_spawn_file_actions_adddup2(&actions, 0, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTSTP);
  sigaddset(&signals, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  flags |= session == TerminalRun::Session::own ? POSIX_SPAWN_SETSID : POSIX_SPAWN_SETPGROUP;
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, flags);
  const char* binary = GENOPT_BINARY;
  char* argv[] = {const_cast<char*>(binary), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, binary, &actions, &attributes, argv, environ) != 0) pid = -1;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

bool same_settings(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::equal(std::begin(a.c_cc), std::end(a.c_cc), b.c_cc) &&
         cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

bool terminal_required() {
  const char* required = ::getenv("GENOPT_REQUIRE_TERMINAL");
  return required != nullptr && std::string_view(required) == "1";
}

TerminalRun::TerminalRun(Session session, const std::function<void(termios&)>& adjust) {
  master_ = open_master();
  if (master_ < 0) return;
  const char* slave_name = ::ptsname(master_);
  if (slave_name == nullptr) return;
  slave_ = ::open(slave_name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) return;
  if (adjust) {
    termios adjusted = settings();
    adjust(adjusted);
    if (::tcsetattr(slave_, TCSANOW, &adjusted) != 0) return;
  }
  found_ = settings();
  pid_ = spawn_on(slave_name, session);
}

TerminalRun::~TerminalRun() {
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  for (int fd : {slave_, master_}) {
    if (fd >= 0) ::close(fd);
  }
}

void TerminalRun::type(std::string_view keys) const {
  while (!keys.empty()) {
    const ssize_t written = ::write(master_, keys.data(), keys.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    keys.remove_prefix(static_cast<std::size_t>(written));
  }
}

termios TerminalRun::settings() const {
  termios now{};
  ::tcgetattr(slave_, &now);
  return now;
}

// Takes what the terminal holds, waiting at most `wait` for the first byte.
void TerminalRun::read_shown(std::chrono::milliseconds wait) {
  pollfd readable{master_, POLLIN, 0};
  if (::poll(&readable, 1, static_cast<int>(wait.count())) <= 0) return;
  char chunk[4096];
  const ssize_t count = ::read(master_, chunk, sizeof chunk);
  if (count > 0) shown_.append(chunk, static_cast<std::size_t>(count));
}

bool TerminalRun::wait_until(const std::function<bool()>& holds,
                             std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (holds()) return true;
    if (Clock::now() >= deadline) return false;
    read_shown(std::min(left_until(deadline), std::chrono::milliseconds(5)));
  }
}

bool TerminalRun::wait_for_text(std::string_view text, std::size_t from,
                                std::chrono::milliseconds timeout) {
  return wait_until(
      [&] { return shown_.size() > from && shown_.find(text, from) != std::string::npos; },
      timeout);
}

void TerminalRun::keep_reading_for(std::chrono::milliseconds duration) {
  wait_until([] { return false; }, duration);
}

// Looks at the program's state once; an ending is recorded and reaped.
bool TerminalRun::collect(int options) {
  if (pid_ <= 0 || reaped_) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG | options) != pid_) return false;
  if (WIFSTOPPED(status)) return true;
  if (!WIFEXITED(status) && !WIFSIGNALED(status)) return false;
  reaped_ = true;
  end_.ended = true;
  if (WIFEXITED(status)) end_.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) end_.signal = WTERMSIG(status);
  return true;
}

TerminalRun::End TerminalRun::wait_for_end(std::chrono::milliseconds timeout) {
  wait_until([&] { return reaped_ || collect(0); }, timeout);
  if (reaped_) read_shown(std::chrono::milliseconds(0));
  return end_;
}

bool TerminalRun::wait_for_stop(std::chrono::milliseconds timeout) {
  return wait_until([&] { return collect(WUNTRACED) && !reaped_; }, timeout);
}

}  // namespace genopt::test_support
