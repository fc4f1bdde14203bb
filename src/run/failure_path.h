#pragma once
// The end of a run that failed: the reported failures of the input files and
// of the model exchange, and the failures of the platform's file layer.

#include "platform/console.h"
#include "report/report_files.h"
#include "text/outcome.h"

namespace genopt {

// Ends the run as `outcome` says and returns the exit status. A reported
// failure writes its Russian and English lines to its target file (after
// what the run has written, when that is the open result file; otherwise the
// file is replaced), shows the English line and waits for an empty line at
// "Press - ENTER"; its status is 0. A platform failure is told on standard
// error with the file and the reason; its status is 1, as is that of a
// failure whose own lines cannot be written.
int end_failed_run(const Outcome& outcome, ReportFiles& reports, Console& console);

// The directory lock was refused: `lock_error` is 0 when another run holds
// the directory, otherwise why it could not be locked. Told on standard
// error in one line before anything is written; the exit status is 1.
int refuse_directory(int lock_error);

}  // namespace genopt
