#pragma once
// Key scripts: the bytes of the console's input, one taken before every
// variable of every child, so with N variables and ten children an
// iteration takes 10N of them.

#include <cstddef>
#include <string>

namespace genopt::test_support {

// Keys that end a search at poll `poll`: poll - 1 bytes that are no key, then "1".
inline std::string stop_at_poll(int poll) {
  return std::string(static_cast<std::size_t>(poll - 1), 'x') + "1";
}

// The same with empty lines in place of the bytes that are no key: a run that
// fails before poll `poll` finds an empty line at its "Press - ENTER" and
// ends there, as it would with no input left, and one whose failure went
// unnoticed ends at the "1" instead of running on.
inline std::string stop_at_poll_after_empty_lines(int poll) {
  return std::string(static_cast<std::size_t>(poll - 1), '\n') + "1";
}

}  // namespace genopt::test_support
