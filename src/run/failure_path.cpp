#include "run/failure_path.h"

#include <cstring>
#include <string>

#include "platform/standard_streams.h"

namespace genopt {

namespace {

constexpr int platform_failure_status = 1;

int tell_platform_failure(std::string_view file, int error_number, std::string_view reason = {}) {
  std::string message = "genopt: ";
  message.append(file).append(": ");
  message.append(reason.empty() ? std::string_view(std::strerror(error_number)) : reason);
  message.append("\n");
  write_to_standard_error(message);
  return platform_failure_status;
}

int tell_platform_failure(const Outcome& outcome) {
  return tell_platform_failure(outcome.platform_file, outcome.platform_error,
                               outcome.platform_reason);
}

// The two lines go after what the run has written when the target is the
// open result file; any other target is written from its start.
int write_failure_lines(const FailureText& text, ReportFiles& reports) {
  ReportFile fresh_target(text.target_file);
  ReportFile* target = &fresh_target;
  if (text.target_file == reports.result.name() && reports.result.is_open()) {
    target = &reports.result;
  } else if (const int error = fresh_target.open(); error != 0) {
    return tell_platform_failure(text.target_file, error);
  }
  target->line(text.russian);
  target->line(text.english);
  const Outcome flushed = reports.flush();
  target->flush();
  if (!flushed.ok()) return tell_platform_failure(flushed);
  if (target->error() != 0) return tell_platform_failure(target->name(), target->error());
  return 0;
}

}  // namespace

int refuse_directory(int lock_error) {
  if (lock_error == 0) {
    write_to_standard_error("genopt: another run is using this directory\n");
  } else {
    std::string message = "genopt: cannot lock this directory: ";
    message.append(std::strerror(lock_error));
    message.append(" (genopt --no-lock runs without the lock)\n");
    write_to_standard_error(message);
  }
  return platform_failure_status;
}

int end_failed_run(const Outcome& outcome, ReportFiles& reports, Console& console) {
  console.end_key_mode();
  if (outcome.kind == OutcomeKind::platform) {
    static_cast<void>(reports.flush());  // keep what can be kept; the first failure is told
    return tell_platform_failure(outcome);
  }
  const FailureText text = failure_text(outcome.failure, outcome.failure_count);
  const int status = write_failure_lines(text, reports);
  console.line(text.english);
  console.pause(text::console::press_enter);
  return status;
}

}  // namespace genopt
