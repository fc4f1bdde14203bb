#pragma once
// The failures that the program detects and reports in Russian and English.
// What went wrong travels as a `Failure` value; only the run sequence turns it
// into lines, the pause and the stop.

#include <cstdint>
#include <string>
#include <string_view>

namespace genopt {

enum class Failure : std::uint8_t {
  none,                      // no reported failure
  settings_file,             // settings file missing, unopenable or of the wrong form
  settings_too_many_pairs,   // more than 500 bound pairs
  settings_too_many_values,  // 2N + K above 2000
  settings_no_pairs,         // no bound pair at all
  start_point_open,          // start-point file exists but cannot be opened
  start_point_read,          // start-point file holds a value of the wrong form
  integer_flags_open,        // integer-flags file exists but cannot be opened
  integer_flags_read,        // integer-flags file holds a value of the wrong form
  work_file_write,           // the candidate cannot be written to the work file
  work_file_read,            // the model's answer is of the wrong form or its index out of range
  model_start,               // the model program cannot be started at all
  no_feasible_candidate,     // the initial population found no feasible candidate at all
  model_timeout,             // a model run took longer than its time limit
};

struct FailureText {
  FailureText() = default;
  FailureText(std::string_view target, std::string_view russian_line, std::string_view english_line)
      : target_file(target), russian(russian_line), english(english_line) {}

  std::string_view target_file;  // receives both lines
  std::string russian;           // CP1251
  std::string english;           // also shown on the console
};

// `count` is the number that a failure's lines name, where they name one.
FailureText failure_text(Failure failure, std::int32_t count);

}  // namespace genopt
