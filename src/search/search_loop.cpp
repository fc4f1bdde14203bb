#include "search/search_loop.h"

#include "report/progress_report.h"
#include "search/offspring.h"
#include "search/ranking.h"
#include "search/step_statistics.h"
#include "search/tournament.h"

namespace genopt {

namespace {

// After switch_iteration the threshold of the offspring step is redrawn at
// the end of every iteration.
void redraw_mutation_threshold(SearchState& state) {
  if (state.iteration <= state.switch_iteration) return;
  float r = 0.0f;
  minstd_random(state.minstd, r);
  state.current_mutation_threshold =
      r > state.switch_probability ? state.late_mutation_threshold : state.mutation_threshold;
}

bool traces_on(const SearchState& state) {
  return state.trace_intermediate == 1 || state.trace_iterations == 1;
}

// Each progress pair reaches its file at once, so that whoever follows the
// file, or a run killed later, has every complete line.
Outcome report_iteration(SearchContext& context) {
  SearchState& state = context.state;
  ++state.console_report_counter;
  ++state.file_report_counter;
  redraw_mutation_threshold(state);
  const ProgressDue due = take_progress_due(state);
  report_progress(state, due, context.reports, context.console);
  return due.file || traces_on(state) ? context.reports.flush() : Outcome{};
}

StepResult run_iteration(SearchContext& context) {
  SearchState& state = context.state;
  run_tournaments(state, context.reports);
  rank_intermediate(state, context.reports);
  if (StepResult offspring = make_offspring(context);
      !offspring.outcome.ok() || offspring.end == StepEnd::stopped) {
    return offspring;
  }
  write_population_report(state, context.reports);
  update_step_statistics(state, context.reports.result);
  carry_to_population(state);
  return {report_iteration(context)};
}

// The loop ends at the operator's "1" or after max_iterations iterations.
bool search_ends(const SearchState& state, StepEnd iteration_end) {
  return iteration_end == StepEnd::stopped || state.iteration >= state.max_iterations;
}

bool take_due(std::int32_t& counter, std::int32_t period) {
  if (counter >= 0 && counter != period) return false;
  counter = 0;
  return true;
}

}  // namespace

ProgressDue take_progress_due(SearchState& state) {
  ProgressDue due;
  due.file = take_due(state.file_report_counter, state.file_report_period);
  due.console = take_due(state.console_report_counter, state.console_report_period);
  return due;
}

Outcome run_search_loop(SearchContext& context) {
  SearchState& state = context.state;
  for (state.iteration = 1;; ++state.iteration) {
    const StepResult iteration = run_iteration(context);
    if (!iteration.outcome.ok()) return iteration.outcome;
    if (search_ends(state, iteration.end)) break;
  }
  return {};
}

}  // namespace genopt
