#pragma once
// How a stage of the run ended. Expected failures travel back as values;
// only the run sequence turns them into messages, the pause and the exit.

#include <cstdint>
#include <string_view>

#include "text/failures.h"

namespace genopt {

enum class OutcomeKind : std::uint8_t {
  ok,
  reported,  // a failure the program tells in Russian and English (`failure`)
  platform,  // the platform refused a file: told on standard error, non-zero exit status
};

struct [[nodiscard]] Outcome {
  OutcomeKind kind = OutcomeKind::ok;
  Failure failure = Failure::none;   // reported: which one
  std::int32_t failure_count = 0;    // reported: the number its lines name, if any
  std::string_view platform_file{};  // platform: the file concerned
  int platform_error = 0;            // platform: the error number, 0 when `platform_reason` says it
  std::string_view platform_reason{};  // platform: told instead of the error number's text

  bool ok() const { return kind == OutcomeKind::ok; }
};

inline Outcome failed(Failure failure, std::int32_t count = 0) {
  return {OutcomeKind::reported, failure, count, {}, 0, {}};
}
inline Outcome platform_failure(std::string_view file, int error_number) {
  return {OutcomeKind::platform, Failure::none, 0, file, error_number, {}};
}
// A file whose content the platform could read but that is not what it must be.
inline Outcome platform_failure(std::string_view file, std::string_view reason) {
  return {OutcomeKind::platform, Failure::none, 0, file, 0, reason};
}

}  // namespace genopt
