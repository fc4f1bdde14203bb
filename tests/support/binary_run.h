#pragma once
// The genopt binary of the build run as a user runs it, in the current
// directory, with its standard streams in files.

#include <string>
#include <string_view>

namespace genopt::test_support {

struct ProgramRun {
  int exit_status = -1;  // -1 when it did not exit normally
  int signal = 0;        // the signal that ended it, if any
  std::string console;   // what it wrote on standard output
  std::string errors;    // what it wrote on standard error
};

// Runs the genopt binary in the current directory with `input` as its
// standard input (a regular file holding those bytes) and our environment.
ProgramRun run_genopt(std::string_view input = {});

}  // namespace genopt::test_support
