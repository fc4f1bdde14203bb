#include "report/progress_report.h"

#include "report/row_listing.h"
#include "text/messages.h"

namespace genopt {

namespace {

bool counter_due(std::int32_t counter, std::int32_t period) {
  return counter < 0 || counter == period;
}

double real_coordinate(const SearchState& state, const Row& best, std::int32_t i) {
  return state.relative_mode == 1 ? best[i] * state.range_scale[i] + state.range_centre[i]
                                  : best[i];
}

// Model calls, activations and the tally of every constraint value.
void write_counters(const SearchState& state, ReportFile& file) {
  file.line(text::file::model_calls, state.N_model_calls);
  file.line();
  file.line(text::file::activations, state.N_activations);
  for (std::int32_t j = 1; j <= state.constraint_count; ++j) {
    write_constraint_tally_line(file.buffer(), j, state.act_count[j]);
  }
  file.line();
}

}  // namespace

bool report_progress(SearchState& state, ReportFiles& reports, Console& console) {
  const double best = state.intermediate[1][state.variable_count + 1];
  const bool file_due = counter_due(state.file_report_counter, state.file_report_period);
  if (file_due) {
    reports.result.line(state.iteration, text::file::iteration, text::file::progress_objective,
                        best);
    reports.result.line(text::file::convergence, state.convergence_parameter);
    state.file_report_counter = 0;
  }
  if (counter_due(state.console_report_counter, state.console_report_period)) {
    console.line(state.iteration, text::console::iteration, text::console::progress_objective,
                 best);
    console.line(text::console::convergence, state.convergence_parameter);
    state.console_report_counter = 0;
  }
  return file_due;
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
  ReportFile& file = reports.result;
  file.line();
  file.line();
  file.line(text::file::final_objective, best[n + 1]);
  file.line(text::file::real_optimum);
  for (std::int32_t i = 1; i <= n; ++i) {
    file.line(i, text::file::coordinate, real_coordinate(state, best, i));
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
