// The readers of input files, alike on every platform over read_limited.

#include "platform/files.h"

#include <cerrno>

#include "platform/files_reading.h"

namespace genopt::files {

int read_whole(std::string_view name, std::string& content) {
  bool beyond = false;
  const int error = read_limited(name, content, max_input_size, beyond);
  if (error == 0 && beyond) {
    content.clear();
    return EFBIG;
  }
  return error;
}

int read_start(std::string_view name, std::string& content, std::size_t limit) {
  bool beyond = false;
  return read_limited(name, content, limit, beyond);
}

bool is_missing(int error) { return error == ENOENT; }

bool is_too_large(int error) { return error == EFBIG; }

}  // namespace genopt::files
