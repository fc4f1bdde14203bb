#pragma once
// The model's side of the exchange with genopt, shared by the example models.
// A model is started as "tarnix.exe -c -r" in the run directory. It reads the
// candidate from the work file "&&&_Rab.txt" (free-format numbers: blanks,
// commas and line ends separate them, a D exponent is an E exponent) and the
// search ranges from "&_in_gen.txt", then replaces the work file's content by
// one answer: the objective alone, or a constraint value and its index.
// Standard library only, and no locale-dependent number conversion.

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace example {

inline constexpr const char* work_file = "&&&_Rab.txt";
inline constexpr const char* settings_file = "&_in_gen.txt";

struct Range {
  double lower = 0.0;
  double upper = 0.0;
};

inline std::string content_of(const char* name) {
  std::ifstream file(name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline bool is_separator(char c) {
  return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n';
}

// The numbers at the start of `text`, up to the first word that is not a number.
inline std::vector<double> numbers_in(std::string_view text) {
  std::vector<double> numbers;
  std::size_t at = 0;
  while (true) {
    while (at < text.size() && is_separator(text[at])) ++at;
    std::size_t end = at;
    while (end < text.size() && !is_separator(text[end])) ++end;
    if (end == at) return numbers;
    std::string word(text.substr(at, end - at));
    for (char& c : word) {
      if (c == 'D' || c == 'd') c = 'E';
    }
    const char* first = word.data() + (word[0] == '+' ? 1 : 0);
    double value = 0.0;
    const auto [stop, error] = std::from_chars(first, word.data() + word.size(), value);
    if (error != std::errc() || stop != word.data() + word.size()) return numbers;
    numbers.push_back(value);
    at = end;
  }
}

// The candidate x_1..x_N, held from index 0.
inline std::vector<double> read_candidate() { return numbers_in(content_of(work_file)); }

// The search ranges of the settings file, read as genopt reads them: the
// text line, K, the two report periods, then one pair per read; every read
// starts on a new line, may run on over line ends, and ignores the rest of
// its last line; blank lines are skipped.
inline std::vector<Range> read_ranges() {
  std::istringstream file(content_of(settings_file));
  std::string line;
  auto take = [&](std::size_t count, std::vector<double>& values) {
    values.clear();
    while (values.size() < count && std::getline(file, line)) {
      if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
      for (double value : numbers_in(line)) {
        if (values.size() < count) values.push_back(value);
      }
    }
    return values.size() == count;
  };
  // The text line is taken whole, whatever it holds.
  while (std::getline(file, line)) {
    if (line.find_first_not_of(" \t\r") != std::string::npos) break;
  }
  std::vector<double> values;
  std::vector<Range> ranges;
  take(1, values);  // K
  take(2, values);  // report periods
  while (take(2, values)) ranges.push_back({values[0], values[1]});
  return ranges;
}

inline void write_answer(std::string_view text) {
  std::FILE* file = std::fopen(work_file, "wb");
  if (file == nullptr) std::exit(1);
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

// 17 significant digits: the value comes back exactly.
inline std::string number_text(double value) {
  char text[32];
  const auto result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, 17);
  return std::string(text, result.ptr);
}

inline void answer_objective(double value) { write_answer(number_text(value) + "\n"); }

inline void answer_constraint(double value, int index) {
  write_answer(number_text(value) + " " + std::to_string(index) + "\n");
}

// Problem constraints are written g(x) >= 0 when satisfied, normalised so
// that -0.01 means "1 % beyond the limit".
using Constraints = std::function<std::vector<double>(const std::vector<double>& x)>;
using Objective = std::function<double(const std::vector<double>& x)>;

// The whole answer: a broken bound first (2i-1 below, 2i above), then the
// first violated problem constraint (2N+1 .. 2N+K), else the objective.
inline int answer(std::size_t variable_count, const Constraints& constraints,
                  const Objective& objective) {
  const std::vector<double> x = read_candidate();
  if (x.size() != variable_count) {
    std::fprintf(stderr, "tarnix.exe: expected %zu values in %s, found %zu\n", variable_count,
                 work_file, x.size());
    return 1;
  }
  const std::vector<Range> ranges = read_ranges();
  const int n = static_cast<int>(variable_count);
  for (int i = 1; i <= n && i <= static_cast<int>(ranges.size()); ++i) {
    const double value = x[i - 1];
    const Range range = ranges[i - 1];
    if (value < range.lower) {
      answer_constraint(value - range.lower, 2 * i - 1);
      return 0;
    }
    if (value > range.upper) {
      answer_constraint(range.upper - value, 2 * i);
      return 0;
    }
  }
  const std::vector<double> g = constraints(x);
  for (std::size_t k = 0; k < g.size(); ++k) {
    if (g[k] < 0.0) {
      answer_constraint(g[k], 2 * n + 1 + static_cast<int>(k));
      return 0;
    }
  }
  answer_objective(objective(x));
  return 0;
}

}  // namespace example
