#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/files.h"
#include "platform/files_reading.h"

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

// Reads until the end of the file or until more than `limit` bytes are
// held; returns whether the file went on beyond the limit.
int read_all(int fd, std::string& content, std::size_t limit, bool& beyond) {
  char chunk[65536];
  beyond = false;
  while (content.size() <= limit) {
    const std::size_t wanted = std::min(sizeof chunk, limit + 1 - content.size());
    const ssize_t got = ::read(fd, chunk, wanted);
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    content.append(chunk, static_cast<std::size_t>(got));
  }
  content.resize(limit);
  beyond = true;
  return 0;
}

// A pipe or socket would wait for a writer or reader that may never come:
// such a file is opened without waiting and then refused, with the error a
// write at an offset would give it.
int refuse_unless_plain(int fd, int& error) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    error = errno;
  } else if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) {
    error = ESPIPE;
  } else if (S_ISDIR(status.st_mode)) {
    error = EISDIR;
  } else {
    error = 0;
    return fd;
  }
  ::close(fd);
  return -1;
}

// The work file is opened at every evaluation: its name is made a C string
// on the stack, not allocated.
int open_plain(std::string_view name, int flags, int& error) {
  char path[PATH_MAX];
  if (name.size() >= sizeof path) {
    error = ENAMETOOLONG;
    return -1;
  }
  name.copy(path, name.size());
  path[name.size()] = '\0';
  const int fd = ::open(path, flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  return refuse_unless_plain(fd, error);
}

}  // namespace

int read_limited(std::string_view name, std::string& content, std::size_t limit, bool& beyond) {
  content.clear();
  int error = 0;
  const int fd = open_plain(name, O_RDONLY, error);
  if (fd < 0) return error;
  error = read_all(fd, content, limit, beyond);
  ::close(fd);
  return error;
}

int open_for_output(std::string_view name, int& error) {
  return open_plain(name, O_WRONLY | O_CREAT, error);
}

int open_for_update(std::string_view name, int& error) {
  return open_plain(name, O_RDWR | O_CREAT, error);
}

int write_bytes_at(int fd, std::int64_t& offset, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t done = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (done < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(done));
    offset += done;
  }
  return cut_at(fd, offset);
}

// Lines end in LF here, as the text has them.
int write_text_at(int fd, std::int64_t& offset, std::string_view text) {
  return write_bytes_at(fd, offset, text);
}

bool held_file_blocks_rename() { return false; }

void close(int fd) {
  if (fd >= 0) ::close(fd);
}

int remove(std::string_view name) { return ::unlink(path_of(name).c_str()) == 0 ? 0 : errno; }

int make_directory(std::string_view name) {
  return ::mkdir(path_of(name).c_str(), 0777) == 0 ? 0 : errno;
}

namespace {

int first_removal_error = 0;

extern "C" int remove_entry(const char* path, const struct stat*, int, struct FTW*) {
  if (::remove(path) != 0 && first_removal_error == 0) first_removal_error = errno;
  return 0;  // the rest is removed all the same
}

}  // namespace

int remove_tree(std::string_view name) {
  struct stat status;
  const std::string path = path_of(name);
  if (::lstat(path.c_str(), &status) != 0) return errno == ENOENT ? 0 : errno;
  first_removal_error = 0;
  // Deepest first, and links as links.
  if (::nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS) != 0) return errno;
  return first_removal_error;
}

int make_link(std::string_view target, std::string_view name) {
  return ::symlink(path_of(target).c_str(), path_of(name).c_str()) == 0 ? 0 : errno;
}

int list_directory(std::string_view name, std::vector<std::string>& names) {
  DIR* directory = ::opendir(path_of(name).c_str());
  if (directory == nullptr) return errno;
  names.clear();
  errno = 0;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string_view entry_name = entry->d_name;
    if (entry_name != "." && entry_name != "..") names.emplace_back(entry_name);
  }
  const int error = errno;
  ::closedir(directory);
  return error;
}

DirectoryLock::~DirectoryLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

// flock on the directory itself: nothing is written into it, and the model
// does not inherit the descriptor.
bool DirectoryLock::take() {
  const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return refuse(errno);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const int error = errno == EWOULDBLOCK ? 0 : errno;
    ::close(fd);
    return refuse(error);
  }
  handle_ = fd;
  return true;
}

}  // namespace genopt::files
