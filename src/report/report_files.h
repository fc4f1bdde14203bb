#pragma once
// The set of report files of a run. The search set-up opens them; the trace
// files only when their switches are on, so an old trace file stays untouched.

#include <cstdint>

#include "report/report_file.h"
#include "text/messages.h"
#include "text/outcome.h"

namespace genopt {

struct ReportFiles {
  ReportFile selection{text::selection_file_name};
  ReportFile trace_before{text::trace_before_file_name};
  ReportFile trace_after{text::trace_after_file_name};
  ReportFile iterations{text::iterations_file_name};
  ReportFile result{text::result_file_name};

  // Opens them in their order: selection, the trace files of the
  // intermediate array and of the iterations when their switches are 1, result.
  Outcome open(std::int32_t trace_intermediate, std::int32_t trace_iterations);
  // Writes out what every open file has buffered; the first failure, if any.
  Outcome flush();
};

}  // namespace genopt
