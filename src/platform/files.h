#pragma once
// The platform's file layer: whole input files, report files written in
// place, the shared work file. Names are of files in the current directory.
// Errors are the platform's error numbers (0 = none).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace genopt::files {

// No input file may be larger: no input makes the program's memory grow
// beyond its fixed tables and this.
inline constexpr std::size_t max_input_size = std::size_t{64} << 20;

// Reads the whole file into `content`; 0 or the error number. A directory, a
// pipe or socket of that name, or a file larger than max_input_size, cannot
// be read as an input file.
int read_whole(std::string_view name, std::string& content);
// Reads at most `limit` bytes from the file's start into `content`; the rest
// is not read. 0 or the error number, as read_whole.
int read_start(std::string_view name, std::string& content, std::size_t limit);
// True for the error of a name that no file has.
bool is_missing(int error);
// True for the error of a file larger than max_input_size.
bool is_too_large(int error);

// Opens for writing, created when missing, not emptied; -1 and `error` on
// failure. A pipe or socket of that name is refused rather than waited on.
int open_for_output(std::string_view name, int& error);

// Opens for reading and writing, created when missing, not emptied; -1 and
// `error` on failure. A pipe or socket of that name is refused.
int open_for_update(std::string_view name, int& error);

// Writes `text`, whose lines end in LF, at `offset` with the platform's line
// ends, and cuts the file there, so the file ends where the text ends;
// `offset` then stands there. 0 or the error number.
int write_text_at(int fd, std::int64_t& offset, std::string_view text);
// As write_text_at, but the bytes are written as they stand.
int write_bytes_at(int fd, std::int64_t& offset, std::string_view bytes);

// True where a file held open cannot be replaced by a rename (Windows): a
// file another program may replace is then not held while it runs.
bool held_file_blocks_rename();

void close(int fd);
// 0 or the error number.
int remove(std::string_view name);

// Directories of the model runs that go side by side. Names may hold '/'.

// 0 or the error number; an existing directory is an error (EEXIST).
int make_directory(std::string_view name);
// Removes the file, link or whole directory tree of that name; links are
// removed, never followed. A name that nothing has is no error.
int remove_tree(std::string_view name);
// Makes `name` a symbolic link to `target`, a path relative to the link's
// directory; 0 or the error number. Where Windows allows no symbolic link, a
// file gets a hard link and a directory cannot be linked (EPERM).
int make_link(std::string_view target, std::string_view name);
// The names in the directory, without "." and ".."; 0 or the error number.
int list_directory(std::string_view name, std::vector<std::string>& names);

// The run's exclusive hold on the current directory, so that two runs never
// use each other's files. It is let go when destroyed, and by the system
// when the process ends in any way: a run that was killed blocks no other.
class DirectoryLock {
 public:
  DirectoryLock() = default;
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  // True when this run now holds the directory. False when another run holds
  // it or when the hold cannot be had at all: error() tells which.
  bool take();
  // After a refused take(): 0 when another run holds the directory,
  // otherwise the error number of what could not be done.
  int error() const { return error_; }

 private:
  bool refuse(int error) {
    error_ = error;
    return false;
  }

  std::intptr_t handle_ = -1;
  int error_ = 0;
};

}  // namespace genopt::files
