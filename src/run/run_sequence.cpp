#include "run/run_sequence.h"

#include "evaluation/evaluation_queue.h"
#include "evaluation/work_file.h"
#include "platform/files.h"
#include "run/failure_path.h"
#include "run/input_files.h"
#include "search/search_engine.h"

namespace genopt {

namespace {

// Everything the search is given: the input files, M and the size table.
Outcome read_problem(SearchState& state) {
  Outcome outcome = read_settings_file(state);
  if (!outcome.ok()) return outcome;
  state.constraint_count = 2 * state.variable_count + state.model_constraint_count;
  outcome = read_start_point_file(state);
  if (!outcome.ok()) return outcome;
  outcome = read_integer_flags_file(state);
  if (!outcome.ok()) return outcome;
  apply_size_table(state);
  return {};
}

}  // namespace

int run_genopt(SearchState& state, Console& console, const RunOptions& options) {
  files::DirectoryLock lock;
  if (options.lock_directory && !lock.take()) return refuse_directory(lock.error());
  // From the start: a key typed while the initial population is evaluated
  // is neither echoed nor lost, and acts at the first poll of the search.
  console.begin_key_mode();
  ReportFiles reports;
  WorkFile work_file;
  if (const int error = work_file.open(); error != 0) {
    return end_failed_run(platform_failure(text::work_file_name, error), reports, console);
  }
  EvaluationQueue queue(work_file, {options.model_time_limit, options.launcher}, options.jobs);
  Outcome outcome = read_problem(state);
  if (outcome.ok()) outcome = queue.open();
  if (outcome.ok()) {
    SearchContext context{state, queue, reports, console};
    outcome = run_search(context);
  }
  if (outcome.ok()) outcome = queue.close();
  if (!outcome.ok()) return end_failed_run(outcome, reports, console);
  if (const int error = work_file.close_and_delete(); error != 0) {
    return end_failed_run(platform_failure(text::work_file_name, error), reports, console);
  }
  console.end_key_mode();
  return 0;
}

}  // namespace genopt
