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

// One iteration; `stopped` tells that "1" ended it in the middle of a child.
Outcome run_iteration(SearchContext& context, bool& stopped) {
  SearchState& state = context.state;
  run_tournaments(state, context.reports);
  rank_intermediate(state, context.reports);
  if (Outcome outcome = make_offspring(context, stopped); !outcome.ok() || stopped) return outcome;
  write_population_report(state, context.reports);
  update_step_statistics(state, context.reports.result);
  carry_to_population(state);
  ++state.console_report_counter;
  ++state.file_report_counter;
  redraw_mutation_threshold(state);
  // Each progress pair reaches its file at once, so that whoever follows the
  // file, or a run killed later, has every complete line.
  const bool progress_written = report_progress(state, context.reports, context.console);
  return progress_written || traces_on(state) ? context.reports.flush() : Outcome{};
}

}  // namespace

Outcome run_search_loop(SearchContext& context) {
  SearchState& state = context.state;
  context.console.begin_key_mode();
  for (state.iteration = 1;; ++state.iteration) {
    bool stopped = false;
    if (Outcome outcome = run_iteration(context, stopped); !outcome.ok()) return outcome;
    if (stopped || state.iteration >= state.max_iterations) break;
  }
  context.console.end_key_mode();
  return {};
}

}  // namespace genopt
