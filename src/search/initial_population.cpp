#include "search/initial_population.h"

#include "evaluation/evaluation_queue.h"
#include "evaluation/model_exchange.h"
#include "search/row_sort.h"
#include "search/truncation.h"
#include "text/messages.h"

namespace genopt {

namespace {

// Group progress of the generation, living only while it runs.
struct GroupCount {
  std::int32_t accepted_in_group = 0;
  std::int32_t completed_groups = 0;
};

// One minstd draw per variable, integer and continuous alike, so that the
// random sequence does not depend on the start point or the flags.
void draw_candidate(SearchState& state) {
  for (std::int32_t i = 1; i <= state.variable_count; ++i) {
    float r = 0.0f;
    minstd_random(state.minstd, r);
    state.evaluation.candidate[i] =
        draw_coordinate(state.lower_bound[i], state.upper_bound[i], state.is_integer[i] == 1, r);
  }
}

void take_start_point(SearchState& state) {
  for (std::int32_t i = 1; i <= state.variable_count; ++i)
    state.evaluation.candidate[i] = state.start_point[i];
}

void accept_candidate(SearchState& state) {
  const std::int32_t n = state.variable_count;
  Row& row = state.population[++state.generated_count];
  for (std::int32_t i = 1; i <= n; ++i) row[i] = state.evaluation.candidate[i];
  row[n + 1] = stored_objective(state.evaluation, state.objective_sense);
}

void count_in_group(SearchContext& context, GroupCount& groups) {
  if (++groups.accepted_in_group != context.state.group_size) return;
  groups.accepted_in_group = 0;
  ++groups.completed_groups;
  const std::int32_t size = context.state.group_size;
  context.console.line(groups.completed_groups, text::console::group_of, size,
                       text::console::group_received);
  context.reports.selection.line(groups.completed_groups, text::file::group_of, size,
                                 text::file::group_received);
  context.reports.selection.flush();  // a slow model: whoever follows the file sees each group
}

// With the default sizes: more than 10 found, or all of a target of 10 or less.
bool sorting_applies(const SearchState& state) {
  return state.working_size < state.generated_count ||
         (state.generated_count == state.population_size &&
          state.working_size >= state.population_size);
}

void report_shortfall(SearchContext& context) {
  const std::int32_t found = context.state.generated_count;
  context.console.line(text::console::not_generated);
  context.console.line(text::console::only_received, found, text::console::individuals);
  context.console.pause(text::console::stop_pause);
  context.reports.selection.line(text::file::not_generated);
  context.reports.selection.line(text::file::only_generated, found, text::file::individuals);
}

}  // namespace

double draw_coordinate(double lower, double upper, bool integer, float r) {
  const double draw = r;
  if (!integer) return lower + (upper - lower) * draw;
  const double scaled = (upper - lower + 1.0) * draw + lower;
  return truncate_toward_zero(draw < 0.5 ? scaled - 1.0 : scaled);
}

// Attempts are drawn ahead and evaluated side by side; their results are
// applied in attempt order. Once the population is complete, the results of
// attempts beyond it are dropped, and the generator goes back to where it
// stood after the last attempt applied, as if no later one had been drawn.
Outcome generate_initial_population(SearchContext& context) {
  SearchState& state = context.state;
  const ProblemView problem = problem_view(state);
  context.reports.selection.line(text::file::selection_heading);
  state.generated_count = 0;
  GroupCount groups;
  std::int32_t drawn = 0;
  std::int32_t attempts = 0;
  while (state.generated_count < state.population_size) {
    while (!context.queue.full() && drawn < state.max_attempts) {
      draw_candidate(state);
      if (++drawn == 1 && state.start_point_given == 1) take_start_point(state);
      context.queue.start(state.evaluation.candidate, problem, {.generator = state.minstd});
    }
    if (context.queue.empty()) break;
    ++attempts;
    if (Outcome outcome = context.queue.apply_oldest(state.evaluation, problem); !outcome.ok()) {
      context.queue.drop_all();
      return outcome;
    }
    if (!is_feasible(state.evaluation, state.constraint_count)) continue;
    accept_candidate(state);
    count_in_group(context, groups);
  }
  if (!context.queue.empty()) {
    context.queue.drop_all();
    state.minstd = context.queue.last_applied().generator;
  }
  if (sorting_applies(state)) {
    sort_rows(state.population, state.generated_count, state.variable_count, state.swap_row);
  }
  if (state.generated_count < state.population_size) report_shortfall(context);
  ReportFile& selection = context.reports.selection;
  selection.flush();
  if (selection.error() != 0) return platform_failure(selection.name(), selection.error());
  // With no individual at all there is nothing to search from: going on
  // would report a point that no evaluation produced.
  if (state.generated_count == 0) return failed(Failure::no_feasible_candidate, attempts);
  return {};
}

}  // namespace genopt
