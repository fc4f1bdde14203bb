#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"

namespace genopt::files {

namespace {

int cut_at(int fd, std::int64_t length) {
  while (::ftruncate(fd, length) != 0) {
    if (errno == EINVAL) return 0;  // not a regular file: nothing to cut
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Every name of the program is short; a copy makes it NUL-terminated.
std::string path_of(std::string_view name) { return std::string(name); }

int read_all(int fd, std::string& content) {
  char chunk[65536];
  for (;;) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    content.append(chunk, static_cast<std::size_t>(got));
  }
}

}  // namespace

int read_whole(std::string_view name, std::string& content) {
  content.clear();
  const int fd = ::open(path_of(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat status {};
  int error = ::fstat(fd, &status) == 0 ? 0 : errno;
  if (error == 0) error = S_ISDIR(status.st_mode) ? EISDIR : read_all(fd, content);
  ::close(fd);
  return error;
}

bool is_missing(int error) { return error == ENOENT; }

int open_for_output(std::string_view name, int& error) {
  const int fd = ::open(path_of(name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  error = fd < 0 ? errno : 0;
  return fd;
}

int open_for_update(std::string_view name, int& error) {
  const int fd = ::open(path_of(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  error = fd < 0 ? errno : 0;
  return fd;
}

// Lines end in LF here, as the text has them.
int write_text_at(int fd, std::int64_t& offset, std::string_view text) {
  while (!text.empty()) {
    const ssize_t done = ::pwrite(fd, text.data(), text.size(), offset);
    if (done < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text.remove_prefix(static_cast<std::size_t>(done));
    offset += done;
  }
  return cut_at(fd, offset);
}

bool held_file_blocks_rename() { return false; }

void close(int fd) {
  if (fd >= 0) ::close(fd);
}

int remove(std::string_view name) { return ::unlink(path_of(name).c_str()) == 0 ? 0 : errno; }

}  // namespace genopt::files
