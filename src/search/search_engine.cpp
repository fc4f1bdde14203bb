#include "search/search_engine.h"

#include "report/progress_report.h"
#include "search/continuation_file.h"
#include "search/initial_population.h"
#include "search/population_listing.h"
#include "search/search_loop.h"
#include "search/setup.h"

namespace genopt {

namespace {

Outcome prepare_population(SearchContext& context) {
  SearchState& state = context.state;
  if (Outcome outcome = generate_initial_population(context); !outcome.ok()) return outcome;
  report_population_ranges(state, context.reports.selection);
  list_warm_up_population(state, context.reports.selection);
  return context.reports.flush();
}

// The final results, the continuation files in the relative mode, and last
// the best point evaluated once more, so that the model's last run and the
// work file are those of the best point.
Outcome finish_search(SearchContext& context) {
  SearchState& state = context.state;
  const Row& best = state.intermediate[1];
  for (std::int32_t i = 1; i <= state.variable_count; ++i) state.evaluation.candidate[i] = best[i];
  write_final_results(state, context.reports);
  if (Outcome outcome = context.reports.flush(); !outcome.ok()) return outcome;
  if (state.relative_mode == 1) {
    if (Outcome outcome = write_continuation_files(state, best); !outcome.ok()) return outcome;
  }
  return evaluate_candidate(context);
}

}  // namespace

Outcome run_search(SearchContext& context) {
  if (context.state.continuation_mode == 2) {
    if (Outcome outcome = read_continuation_file(context.state); !outcome.ok()) return outcome;
  }
  if (Outcome outcome = set_up_search(context); !outcome.ok()) return outcome;
  if (Outcome outcome = prepare_population(context); !outcome.ok()) return outcome;
  if (Outcome outcome = run_search_loop(context); !outcome.ok()) return outcome;
  return finish_search(context);
}

}  // namespace genopt
