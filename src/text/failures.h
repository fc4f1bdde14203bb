#pragma once
// The failures that the program detects and reports in Russian and English.
// What went wrong travels as a `Failure` value; only the run sequence turns it
// into lines, the pause and the stop.

#include <cstdint>
#include <string_view>

namespace genopt {

enum class Failure : std::uint8_t {
  none,
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
};

struct FailureText {
  std::string_view target_file;  // receives both lines
  std::string_view russian;      // CP1251
  std::string_view english;      // also shown on the console
};

FailureText failure_text(Failure failure);

}  // namespace genopt

namespace genopt {

// How a stage ended: normally, through a reported failure, or through a
// failure of the platform's file layer (the file and the platform's error
// number), which ends the run with a message on standard error and a
// non-zero exit status.
struct [[nodiscard]] Outcome {
  Failure failure = Failure::none;
  std::string_view platform_file{};
  int platform_error = 0;
  std::string_view platform_reason{};  // told instead of the error number's text when given

  bool ok() const { return failure == Failure::none && platform_file.empty(); }
};

inline Outcome failed(Failure failure) { return {failure, {}, 0, {}}; }
inline Outcome platform_failure(std::string_view file, int error_number,
                                std::string_view reason = {}) {
  return {Failure::none, file, error_number, reason};
}

}  // namespace genopt
