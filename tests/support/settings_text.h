#pragma once
// The search settings file as a test writes it.

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace genopt::test_support {

// A text line, K, the two report periods, then one bound pair a line, each
// bound in its shortest exact form.
inline std::string settings_text(std::int32_t k, std::int32_t console_period,
                                 std::int32_t file_period,
                                 const std::vector<std::pair<double, double>>& bounds) {
  std::string text = "'test problem'\n" + std::to_string(k) + "\n" +
                     std::to_string(console_period) + " " + std::to_string(file_period) + "\n";
  for (const auto& [lower, upper] : bounds) {
    char buffer[64];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, lower).ptr;
    *end++ = ' ';
    end = std::to_chars(end, buffer + sizeof buffer, upper).ptr;
    text.append(buffer, end).append("\n");
  }
  return text;
}

}  // namespace genopt::test_support
