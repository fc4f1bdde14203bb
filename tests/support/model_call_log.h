#pragma once
// The log that the test models keep of their runs: a model appends the
// candidate it got to model_calls.txt, one line a run, only when that file
// exists, so a test that wants the log writes it empty first.

#include <string>
#include <string_view>
#include <vector>

#include "support/number_reading.h"
#include "support/scratch_directory.h"

namespace genopt::test_support {

inline constexpr std::string_view model_call_log = "model_calls.txt";

// Starts the log empty.
inline void start_model_call_log(const ScratchDirectory& directory) {
  directory.write(model_call_log, "");
}

// One vector per model run, as the model got it.
inline std::vector<std::vector<double>> model_calls(const ScratchDirectory& directory) {
  std::vector<std::vector<double>> calls;
  const std::string log = directory.read_text(model_call_log);
  for (std::size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1) {
    calls.push_back(numbers_in(std::string_view(log).substr(at, end - at)));
  }
  return calls;
}

}  // namespace genopt::test_support
