#include "search/offspring.h"

#include <cstddef>

#include "evaluation/model_exchange.h"
#include "search/keyboard_control.h"
#include "search/ranking.h"
#include "search/row_sort.h"
#include "search/step_statistics.h"
#include "search/truncation.h"
#include "state/random_sources.h"

namespace genopt {

double integer_global_move(double lo, double hi, double u) {
  return truncate_toward_zero((hi - lo + 1) * u + lo - 1);
}

double continuous_global_move(double inherited, double lo, double hi, double u, float r3,
                              double search_scale, double scale_bound) {
  if (search_scale > scale_bound || r3 >= 0.5) return lo + (hi - lo) * u;
  return inherited + (2 * u - 1) * (hi - lo) * search_scale * 0.5;
}

double local_move(double inherited, double u, double step, bool whole_values) {
  const double moved = inherited + (2 * u - 1) * step;
  return whole_values ? truncate_toward_zero(moved) : moved;
}

namespace {

float draw(SearchState& state) {
  float value = 0.0f;
  minstd_random(state.minstd, value);
  return value;
}

double move_draw(SearchState& state) {
  if (state.uniform_source == 2) return mul5_random(state.mul5, 0, 1, 0, state.mul5_seed);
  return draw(state);
}

bool may_mutate(SearchState& state, std::int32_t i) {
  const float r4 = draw(state);
  if (!(r4 > state.current_mutation_threshold)) return false;
  return state.mutation_mode != 2 || state.best_vector[i] == state.parent_vector[i];
}

// Near convergence, a variable whose deviation has shrunk to zero makes
// global moves likelier and raises the zero threshold for the rest of the step.
void adapt_working_values(SearchState& state, std::int32_t i) {
  if (state.mean_deviation[i] > state.current_zero_threshold) {
    state.current_local_move_probability = state.local_move_probability;
  }
  if (state.degree_of_difference <= state.difference_threshold &&
      state.mean_deviation[i] <= state.current_zero_threshold) {
    state.current_local_move_probability = state.converged_local_move_probability;
    state.current_zero_threshold = state.alternate_zero_threshold;
  }
}

void mutate(SearchState& state, std::int32_t i, double step) {
  adapt_working_values(state, i);
  const double u = move_draw(state);
  const float r2 = draw(state);
  const double lo = state.lower_bound[i];
  const double hi = state.upper_bound[i];
  double& child = state.child_vector[i];
  if (r2 > state.current_local_move_probability) {
    if (state.is_integer[i] == 1) {
      child = integer_global_move(lo, hi, u);
    } else {
      const float r3 = draw(state);  // drawn even when the scale makes it unused
      child = continuous_global_move(child, lo, hi, u, r3, state.search_scale, state.scale_bound);
    }
  } else {
    child = local_move(child, u, step, state.is_integer[i] == 1);
  }
}

// The worst row gives way to every accepted child, even one no better than it.
void accept_child(SearchState& state) {
  const std::int32_t n = state.variable_count;
  state.child_vector[n + 1] = stored_objective(state.evaluation, state.objective_sense);
  if (holds_coordinates(state, state.child_vector)) return;
  copy_row(state.child_vector, state.intermediate[state.population_size], n);
  rerank_intermediate(state);
}

// The next child's result: counted, and accepted when feasible. A failure
// ends the children after it, as if they had never been built: their runs
// and their trace lines are taken back.
Outcome apply_next_child(SearchContext& context) {
  SearchState& state = context.state;
  const Outcome outcome = context.queue.apply_oldest(state.evaluation, problem_view(state));
  if (!outcome.ok()) {
    context.queue.drop_all();
    context.reports.result.buffer().resize(context.queue.last_applied().result_length);
    return outcome;
  }
  for (std::int32_t i = 1; i <= state.variable_count; ++i) {
    state.child_vector[i] = state.evaluation.candidate[i];
  }
  if (is_feasible(state.evaluation, state.constraint_count)) accept_child(state);
  return {};
}

Outcome apply_started_children(SearchContext& context) {
  while (!context.queue.empty()) {
    if (Outcome outcome = apply_next_child(context); !outcome.ok()) return outcome;
  }
  return {};
}

// A key that does something waits until the children already started are
// applied, so that what it shows and does, or a failure of an earlier child,
// comes where it would one child at a time. The child being built is kept.
StepResult poll_operator(SearchContext& context) {
  SearchState& state = context.state;
  const KeyAnswer answer = answer_of_key(context.console.poll_key());
  if (answer == KeyAnswer::none) return {};
  if (!context.queue.empty()) {
    const Row building = state.child_vector;
    if (Outcome outcome = apply_started_children(context); !outcome.ok()) return {outcome};
    for (std::int32_t i = 1; i <= state.variable_count; ++i) state.child_vector[i] = building[i];
  }
  if (act_on_key(answer, state, context.console)) return {Outcome{}, StepEnd::stopped};
  return {};
}

// Builds child_vector(1..N) from the best vector and parent_vector, polling
// the keys before each variable.
StepResult build_child(SearchContext& context) {
  SearchState& state = context.state;
  for (std::int32_t i = 1; i <= state.variable_count; ++i) {
    if (StepResult polled = poll_operator(context);
        !polled.outcome.ok() || polled.end == StepEnd::stopped) {
      return polled;
    }
    const float r1 = draw(state);
    state.child_vector[i] =
        r1 < state.inherit_best_probability ? state.best_vector[i] : state.parent_vector[i];
    // The refinement draws are made whether or not the variable then mutates.
    const double step = variable_step(state, context.reports.result, i);
    if (may_mutate(state, i)) mutate(state, i, step);
  }
  return {};
}

}  // namespace

// No child depends on the result of another: the parent table and the best
// vector stay as they are for the whole step. So children are evaluated side
// by side while later ones are built, and the results applied in order give
// what one child after another would.
StepResult make_offspring(SearchContext& context) {
  SearchState& state = context.state;
  state.current_zero_threshold = state.zero_threshold;
  state.current_local_move_probability = state.local_move_probability;
  for (std::int32_t k = 1; k <= state.population_size; ++k) {
    if (context.queue.full()) {
      if (Outcome outcome = apply_next_child(context); !outcome.ok()) return {outcome};
    }
    for (std::int32_t i = 1; i <= state.variable_count; ++i) {
      state.parent_vector[i] = state.parent_table[k][i];
    }
    if (StepResult built = build_child(context);
        !built.outcome.ok() || built.end == StepEnd::stopped) {
      return built;
    }
    context.queue.start(state.child_vector, problem_view(state),
                        {.result_length = context.reports.result.buffer().size()});
  }
  return {apply_started_children(context)};
}

}  // namespace genopt
