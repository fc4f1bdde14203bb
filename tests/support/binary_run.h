#pragma once
// The genopt binary of the build run as a user runs it, in the current
// directory, with its standard output and error in files.

#include <string>
#include <string_view>
#include <vector>

namespace genopt::test_support {

struct ProgramRun {
  int exit_status = -1;  // -1 when it did not exit normally
  int signal = 0;        // the signal that ended it, if any (POSIX)
  std::string console;   // what it wrote on standard output
  std::string errors;    // what it wrote on standard error
};

// What the binary gets as its standard input.
enum class StandardInput {
  file,         // a regular file holding the input
  pipe,         // a pipe that delivers the input and then ends
  null_device,  // the null device; the input is not used
  closed,       // none at all
};

// Runs the genopt binary in the current directory with `input` as its
// standard input, our environment, and `arguments` (no shell reads them).
ProgramRun run_genopt(std::string_view input = {}, StandardInput kind = StandardInput::file,
                      const std::vector<std::string>& arguments = {});

}  // namespace genopt::test_support
