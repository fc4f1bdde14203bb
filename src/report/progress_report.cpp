#include "report/progress_report.h"

#include "report/row_listing.h"
#include "text/messages.h"

namespace genopt {

namespace {

// Model calls, activations and the tally of every constraint value.
void write_counters(const SearchState& state, ReportFile& file) {
  const EvaluationRecord& evaluation = state.evaluation;
  file.line(text::file::model_calls, evaluation.N_model_calls);
  file.line();
  file.line(text::file::activations, evaluation.N_activations);
  for (std::int32_t j = 1; j <= state.constraint_count; ++j) {
    write_constraint_tally_line(file.buffer(), j, evaluation.act_count[j]);
  }
  file.line();
}

}  // namespace

void report_progress(const SearchState& state, const ProgressDue& due, ReportFiles& reports,
                     Console& console) {
  const double best = state.intermediate[1][state.variable_count + 1];
  if (due.file) {
    reports.result.line(state.iteration, text::file::iteration, text::file::progress_objective,
                        best);
    reports.result.line(text::file::convergence, state.convergence_parameter);
  }
  if (due.console) {
    console.line(state.iteration, text::console::iteration, text::console::progress_objective,
                 best);
    console.line(text::console::convergence, state.convergence_parameter);
  }
}

void write_population_report(const SearchState& state, ReportFiles& reports) {
  if (state.trace_iterations != 1) return;
  ReportFile& file = reports.iterations;
  file.line();
  file.line(state.iteration, text::file::population_report);
  write_row_listing(file, state, state.intermediate, state.population_size,
                    {text::file::individual_objective, text::file::coordinate});
}

void write_final_results(const SearchState& state, ReportFiles& reports) {
  const std::int32_t n = state.variable_count;
  const Row& best = state.intermediate[1];
  const ProblemView problem = problem_view(state);
  ReportFile& file = reports.result;
  file.line();
  file.line();
  file.line(text::file::final_objective, best[n + 1]);
  file.line(text::file::real_optimum);
  for (std::int32_t i = 1; i <= n; ++i) {
    file.line(i, text::file::coordinate, problem.real_value(i, best[i]));
  }
  file.line();
  file.line(text::file::relative_optimum);
  for (std::int32_t i = 1; i <= n; ++i) {
    file.line(i, text::file::coordinate,
              (best[i] - state.lower_bound[i]) / (state.upper_bound[i] - state.lower_bound[i]));
  }
  file.line();
  write_counters(state, file);
  if (state.trace_iterations == 1) write_counters(state, reports.iterations);
}

}  // namespace genopt
