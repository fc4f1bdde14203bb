#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "support/descriptors.h"

namespace genopt::test_support {

int open_to_read(const std::filesystem::path& path) {
  return ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int open_to_write(const std::filesystem::path& path) {
  return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}

void close_descriptor(int fd) {
  if (fd >= 0) ::_close(fd);
}

bool make_pipe(int ends[2]) { return ::_pipe(ends, 65536, _O_BINARY | _O_NOINHERIT) == 0; }

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const int written = ::_write(fd, bytes.data(), static_cast<unsigned>(bytes.size()));
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::string read_all(int fd) {
  std::string bytes;
  char chunk[4096];
  for (;;) {
    const int count = ::_read(fd, chunk, sizeof chunk);
    if (count <= 0) return bytes;
    bytes.append(chunk, static_cast<std::size_t>(count));
  }
}

// _dup2 onto descriptor 2 also makes the new file the process's standard
// error handle, so output written to either reaches the file.
StandardErrorToFile::StandardErrorToFile(const std::filesystem::path& path) {
  saved_ = ::_dup(standard_error_descriptor);
  const int file = open_to_write(path);
  redirected_ = saved_ >= 0 && file >= 0 && ::_dup2(file, standard_error_descriptor) == 0;
  close_descriptor(file);
}

StandardErrorToFile::~StandardErrorToFile() {
  if (saved_ < 0) return;
  ::_dup2(saved_, standard_error_descriptor);
  ::_close(saved_);
}

}  // namespace genopt::test_support
