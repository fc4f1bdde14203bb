#pragma once
// Descriptors of the C runtime, as the console and the file layer take them:
// files opened in binary mode (no line-end translation) and not inherited by
// the programs a test starts, pipes, and standard error put elsewhere for a while.

#include <filesystem>
#include <string>
#include <string_view>

namespace genopt::test_support {

inline constexpr int standard_error_descriptor = 2;

// -1 when the file cannot be opened.
int open_to_read(const std::filesystem::path& path);
// Created, or emptied when it exists; -1 when it cannot be opened.
int open_to_write(const std::filesystem::path& path);
void close_descriptor(int fd);

// ends[0] reads what is written to ends[1]. False when no pipe can be had.
bool make_pipe(int ends[2]);
// False when not every byte could be written.
bool write_all(int fd, std::string_view bytes);
// Reads until the end of the input.
std::string read_all(int fd);

// While it lives, standard error is the file `path`; then it is what it was.
class StandardErrorToFile {
 public:
  explicit StandardErrorToFile(const std::filesystem::path& path);
  ~StandardErrorToFile();
  StandardErrorToFile(const StandardErrorToFile&) = delete;
  StandardErrorToFile& operator=(const StandardErrorToFile&) = delete;

  // False when standard error could not be put there.
  bool redirected() const { return redirected_; }

 private:
  int saved_ = -1;
  bool redirected_ = false;
};

}  // namespace genopt::test_support
