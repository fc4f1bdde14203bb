#pragma once
// Numbers read back from what the program and the models write.

#include <charconv>
#include <string_view>
#include <vector>

namespace genopt::test_support {

// Every number of a text, in order; blanks and line ends separate them, and
// the first word that is no number ends the reading.
inline std::vector<double> numbers_in(std::string_view text) {
  std::vector<double> numbers;
  const char* at = text.data();
  const char* const end = text.data() + text.size();
  while (at < end) {
    if (*at == ' ' || *at == '\n') {
      ++at;
      continue;
    }
    double value = 0.0;
    const auto [next, error] = std::from_chars(at, end, value);
    if (error != std::errc{}) break;
    numbers.push_back(value);
    at = next;
  }
  return numbers;
}

}  // namespace genopt::test_support
