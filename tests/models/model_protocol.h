#pragma once
// The model side of the exchange, shared by the substitute models the tests
// run. A model reads the candidate from the work file in its current
// directory, may read the search settings for the bounds and K, and leaves
// one answer in the work file. Standard library only: each model is a
// program of its own.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace model {

inline constexpr const char* work_file = "&&&_Rab.txt";
inline constexpr const char* settings_file = "&_in_gen.txt";
// Present only when a test wants every run recorded.
inline constexpr const char* call_log = "model_calls.txt";

struct Settings {
  int K = 0;
  std::vector<std::pair<double, double>> bounds;  // lower, upper of x[1..N]
};

// Every number of the text; blanks, commas and line ends separate them, and
// a D exponent is read as E.
inline std::vector<double> numbers_in(std::string text) {
  for (char& c : text) {
    if (c == ',') c = ' ';
    if (c == 'D' || c == 'd') c = 'E';
  }
  std::vector<double> numbers;
  const char* next = text.c_str();
  while (true) {
    char* end = nullptr;
    const double value = std::strtod(next, &end);
    if (end == next) break;
    numbers.push_back(value);
    next = end;
  }
  return numbers;
}

inline std::string content_of(const char* name) {
  std::ifstream file(name);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline void log_call(const std::vector<double>& x) {
  std::FILE* log = std::fopen(call_log, "r");
  if (log == nullptr) return;
  std::fclose(log);
  log = std::fopen(call_log, "a");
  if (log == nullptr) return;
  for (std::size_t i = 0; i < x.size(); ++i) std::fprintf(log, i == 0 ? "%.17g" : " %.17g", x[i]);
  std::fputc('\n', log);
  std::fclose(log);
}

// The candidate x[1..N] (held from index 0), recorded in the call log.
inline std::vector<double> read_candidate() {
  std::vector<double> x = numbers_in(content_of(work_file));
  log_call(x);
  return x;
}

// Text line, K, the two periods, then one bound pair per line.
inline Settings read_settings() {
  Settings settings;
  std::ifstream file(settings_file);
  std::string line;
  int record = 0;
  while (std::getline(file, line)) {
    const std::vector<double> numbers = numbers_in(line);
    if (record == 0) {
      ++record;  // the text is never used
    } else if (line.find_first_not_of(" \t\r") == std::string::npos) {
      continue;
    } else if (record++ == 1) {
      if (!numbers.empty()) settings.K = static_cast<int>(numbers[0]);
    } else if (record > 3 && numbers.size() >= 2) {
      settings.bounds.emplace_back(numbers[0], numbers[1]);
    }
  }
  return settings;
}

inline void answer_text(const char* text) {
  std::FILE* file = std::fopen(work_file, "w");
  if (file == nullptr) std::exit(1);
  std::fputs(text, file);
  std::fclose(file);
}

inline std::string objective_text(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g\n", value);
  return text;
}

inline void answer_objective(double value) { answer_text(objective_text(value).c_str()); }

inline void answer_constraint(double value, int index) {
  char text[48];
  std::snprintf(text, sizeof text, "%.17g %d\n", value, index);
  answer_text(text);
}

// The objective of the `sphere` model, with its minimum 0 at x = (1, ..., 1).
inline double sphere_objective(const std::vector<double>& x) {
  double sum = 0.0;
  for (double value : x) sum += (value - 1.0) * (value - 1.0);
  return sum;
}

}  // namespace model
