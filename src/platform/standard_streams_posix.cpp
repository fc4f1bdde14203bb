#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/standard_streams.h"

namespace genopt {

void prepare_standard_streams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
  std::signal(SIGPIPE, SIG_IGN);  // a write to a closed pipe then fails instead of ending us
}

namespace {

void write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

void write_to_standard_error(std::string_view text) { write_all(STDERR_FILENO, text); }

void write_to_standard_output(std::string_view text) { write_all(STDOUT_FILENO, text); }

}  // namespace genopt
