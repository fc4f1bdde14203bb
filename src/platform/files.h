#pragma once
// The platform's file layer: whole input files, report files written in
// place, the shared work file. Names are of files in the current directory.
// Errors are the platform's error numbers (0 = none).

#include <cstdint>
#include <string>
#include <string_view>

namespace genopt::files {

// Reads the whole file into `content`; 0 or the error number. A directory of
// that name cannot be read as a file.
int read_whole(std::string_view name, std::string& content);
// True for the error of a name that no file has.
bool is_missing(int error);

// Opens for writing, created when missing, not emptied; -1 and `error` on failure.
int open_for_output(std::string_view name, int& error);

// Opens for reading and writing, created when missing, not emptied; -1 and
// `error` on failure.
int open_for_update(std::string_view name, int& error);

// Writes `text`, whose lines end in LF, at `offset` with the platform's line
// ends, and cuts the file there, so the file ends where the text ends;
// `offset` then stands there. 0 or the error number.
int write_text_at(int fd, std::int64_t& offset, std::string_view text);

// True where a file held open cannot be replaced by a rename (Windows): a
// file another program may replace is then not held while it runs.
bool held_file_blocks_rename();

void close(int fd);
// 0 or the error number.
int remove(std::string_view name);

}  // namespace genopt::files
