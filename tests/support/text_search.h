#pragma once
// Looking for text in what the program wrote.

#include <string>
#include <string_view>

namespace genopt::test_support {

// How often `part` stands in `text`, overlapping places included.
inline int count_of(std::string_view text, std::string_view part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace genopt::test_support
