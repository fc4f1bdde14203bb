#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "support/descriptors.h"

namespace genopt::test_support {

int open_to_read(const std::filesystem::path& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

int open_to_write(const std::filesystem::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

void close_descriptor(int fd) {
  if (fd >= 0) ::close(fd);
}

bool make_pipe(int ends[2]) { return ::pipe2(ends, O_CLOEXEC) == 0; }

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::string read_all(int fd) {
  std::string bytes;
  char chunk[4096];
  for (;;) {
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return bytes;
    bytes.append(chunk, static_cast<std::size_t>(count));
  }
}

StandardErrorToFile::StandardErrorToFile(const std::filesystem::path& path) {
  saved_ = ::dup(STDERR_FILENO);
  const int file = open_to_write(path);
  redirected_ = saved_ >= 0 && file >= 0 && ::dup2(file, STDERR_FILENO) == STDERR_FILENO;
  close_descriptor(file);
}

StandardErrorToFile::~StandardErrorToFile() {
  if (saved_ < 0) return;
  ::dup2(saved_, STDERR_FILENO);
  ::close(saved_);
}

}  // namespace genopt::test_support
