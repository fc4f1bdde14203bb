// genopt: searches for the minimum of an objective computed by an external
// model program, by a genetic method. No arguments; input and report files
// in the current directory.

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <memory>

#include "platform/console.h"
#include "run/run_sequence.h"
#include "state/search_state.h"

namespace {

// A closed standard descriptor would be taken by the first file we open, and
// its bytes read as keys: each closed one gets /dev/null.
void make_standard_descriptors_open() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

}  // namespace

int main() {
  make_standard_descriptors_open();
  std::signal(SIGPIPE, SIG_IGN);  // a closed console must not end the search
  auto state = std::make_unique<genopt::SearchState>();
  genopt::Console console(STDIN_FILENO, STDOUT_FILENO);
  return genopt::run_genopt(*state, console);
}
