#include "report/report_files.h"

namespace genopt {

namespace {

Outcome open_file(ReportFile& file) {
  const int error = file.open();
  return error == 0 ? Outcome{} : platform_failure(file.name(), error);
}

}  // namespace

Outcome ReportFiles::open(std::int32_t trace_intermediate, std::int32_t trace_iterations) {
  Outcome outcome = open_file(selection);
  if (outcome.ok() && trace_intermediate == 1) outcome = open_file(trace_before);
  if (outcome.ok() && trace_intermediate == 1) outcome = open_file(trace_after);
  if (outcome.ok() && trace_iterations == 1) outcome = open_file(iterations);
  if (outcome.ok()) outcome = open_file(result);
  return outcome;
}

Outcome ReportFiles::flush() {
  for (ReportFile* file : {&selection, &trace_before, &trace_after, &iterations, &result}) {
    file->flush();
    if (file->error() != 0) return platform_failure(file->name(), file->error());
  }
  return {};
}

}  // namespace genopt
