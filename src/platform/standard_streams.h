#pragma once
// The program's standard streams at start-up and its report to standard error.

#include <string_view>

namespace genopt {

// Makes sure standard input, output and error are open: a closed one would be
// taken by the first file the program opens, and that file's bytes read as
// keys. A closed one is opened on the null device. A console that goes away
// while the program runs must not end the search either.
void prepare_standard_streams();

// Best effort: nothing is left to tell a failure to when this fails.
void write_to_standard_error(std::string_view text);
// Best effort, for the answers to --help and --version.
void write_to_standard_output(std::string_view text);

}  // namespace genopt
