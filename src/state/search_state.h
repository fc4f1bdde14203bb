#pragma once
// The one body of data of the search. Created once when the program starts,
// with every built-in value below, and passed by reference to every stage.
// Indices start at 1 throughout, as in the method's own description: entry 0
// of every vector and row 0 of every table are never used. Every capacity is
// fixed; nothing here grows during a run.

#include <array>
#include <cstdint>

#include "state/random_sources.h"

namespace genopt {

inline constexpr int max_variables = 500;
inline constexpr int max_constraint_values = 2000;
inline constexpr int max_rows = 1000;
inline constexpr int max_columns = max_variables + 1;  // coordinates, then the stored objective

// Settings of the method are single-precision constants widened to double:
// 0.7 is held as 0.699999988079071 and compared in that form with the
// single-precision draws.
constexpr double widened(float value) { return static_cast<double>(value); }

template <class T, int Capacity>
using Vector1 = std::array<T, Capacity + 1>;  // entries 1..Capacity

using Row = Vector1<double, max_columns>;  // columns 1..N coordinates, N+1 stored objective
using Table = Vector1<Row, max_rows>;      // rows 1..1000

// The evaluation's own part of the state: the candidate it is given, what the
// model answered, and the counters of every evaluation. An evaluation sees this
// record and the problem's shape, never the population. The evaluation writes
// every field but `candidate`, which the stage asking for the evaluation fills.
struct EvaluationRecord {
  // Coordinates to evaluate, in search units (relative steps in the relative mode).
  Vector1<double, max_variables> candidate{};
  // The candidate in real units, as written to the work file for the model.
  Vector1<double, max_variables> X_real{};
  // Constraint values 1..M of the last evaluation: zeroed before each
  // exchange, then the one the model answered; below 0 is violated.
  Vector1<double, max_constraint_values> constraint_values{};
  // Objective of the last answer that was an objective, in the model's units.
  double objective_value = 0.0;
  // Completed model exchanges.
  std::int32_t N_model_calls = 0;
  // Evaluations that came back with a violated constraint.
  std::int32_t N_activations = 0;
  // For each constraint value, the evaluations in which it was the first violated one.
  Vector1<std::int32_t, max_constraint_values> act_count{};
  // Value field of the last read of the work file; kept when an answer does not reach it.
  double rab_value = 0.0;
  // Index field of the last read of the work file; kept when an answer does not reach it.
  std::int32_t rab_index = 0;
};

struct SearchState {
  // --- The problem ---

  // N: the number of bound pairs in the settings file, 1..500 (settings file).
  std::int32_t variable_count = 0;
  // K: the constraint values the model computes itself (settings file).
  std::int32_t model_constraint_count = 0;
  // M = 2N + K: a lower- and an upper-bound constraint per variable, then the
  // model's own (run sequence).
  std::int32_t constraint_count = 0;

  // Search range of each variable: real units as read (settings file); whole
  // step numbers -width/2 .. +width/2 in the relative mode (set-up); the
  // ranges of the continuation file (continuation file).
  Vector1<double, max_variables> lower_bound{};
  Vector1<double, max_variables> upper_bound{};
  // 1 when the variable takes whole values only (integer-flags file; every
  // variable in the relative mode, set-up).
  Vector1<std::int32_t, max_variables> is_integer{};
  // The first candidate of the initial population, real units (start-point file).
  Vector1<double, max_variables> start_point{};
  // 1 when the start-point file held exactly N values (start-point file).
  std::int32_t start_point_given = 0;
  // The real range a relative run started from (set-up, relative mode).
  Vector1<double, max_variables> real_lower_bound{};
  Vector1<double, max_variables> real_upper_bound{};
  // Relative mode: the real value of step 0 and the real length of one step (set-up).
  Vector1<double, max_variables> range_centre{};
  Vector1<double, max_variables> range_scale{};

  // --- Statistics of the search, per variable ---

  // Smallest and largest value over the initial population, search units
  // (population ranges; reported only).
  Vector1<double, max_variables> pop_min{};
  Vector1<double, max_variables> pop_max{};
  // Largest minus smallest value over the intermediate array of this
  // iteration, search units (tournaments).
  Vector1<double, max_variables> coordinate_spread{};
  // Mean absolute deviation over the intermediate array, averaged over the
  // history window, search units (step statistics).
  Vector1<double, max_variables> mean_deviation{};
  // Rows 1..history_depth: the deviations recorded at the last iterations,
  // newest last (step statistics).
  Vector1<Vector1<double, max_variables>, max_rows> deviation_history{};

  // --- Vectors of one child and the best point ---

  // Coordinates of the parent whose child is being built (offspring step).
  Vector1<double, max_variables> parent_vector{};
  // Coordinates of row 1 of the ranked intermediate array, fixed for the
  // whole offspring step (ranking).
  Vector1<double, max_variables> best_vector{};
  // The child being built: coordinates, and in column N+1 its stored objective
  // (offspring step).
  Row child_vector{};

  // --- Tables of individuals, one a row: coordinates, then the stored objective ---

  // The population the tournaments draw from: the feasible individuals of the
  // initial population, then the intermediate array of the last iteration
  // (initial population, ranking); row 1 is the best once sorted.
  Table population{};
  // The intermediate array of an iteration: tournament winners, ranked, with
  // accepted children in place of its worst rows (tournaments, ranking,
  // offspring step).
  Table intermediate{};
  // The rows drawn for one tournament, then the ranked copy of the
  // intermediate array that gives each child its parent (tournaments, ranking).
  Table parent_table{};
  // The row through which every sort exchanges two rows.
  Row swap_row{};

  // --- Settings of the method: built in, or from the size table by N ---

  // Feasible individuals the initial population looks for (size table); from
  // the warm-up listing on, the rows of the intermediate array (= working_size).
  std::int32_t population_size = 100;
  // Rows of the intermediate array during the iterations.
  std::int32_t working_size = 10;
  // Attempts allowed for the initial population.
  std::int32_t max_attempts = 1'000'000;
  // Iterations after which the search loop ends by itself.
  std::int32_t max_iterations = 1'950'000;
  // The initial population reports a group each time this many more are accepted.
  std::int32_t group_size = 10;
  // Individuals drawn for one tournament.
  std::int32_t tournament_size = 2;
  // 1 minimise, 0 maximise (the stored objective is then the negated objective).
  std::int32_t objective_sense = 1;
  // Percent: a degree of difference at or below it counts as near convergence.
  double difference_threshold = 1.0;
  // A draw above the threshold in force lets a variable mutate: this one
  // before switch_iteration (size table).
  double mutation_threshold = widened(0.7f);
  // After switch_iteration, picked in place of mutation_threshold when a draw
  // lies above switch_probability (size table).
  double late_mutation_threshold = widened(0.87f);
  // The iteration after which the threshold is redrawn every iteration (size table).
  std::int32_t switch_iteration = 1000;
  // See late_mutation_threshold.
  double switch_probability = widened(0.3f);
  // A step or deviation at or below it counts as zero, search units (size table).
  double zero_threshold = widened(1e-9f);
  // The zero threshold near convergence, search units (size table).
  double alternate_zero_threshold = widened(1e-7f);
  // A draw below it makes a child inherit a coordinate from best_vector, not its parent.
  double inherit_best_probability = widened(0.7f);
  // A draw at or below it makes a mutation a local move, above it a global one.
  double local_move_probability = widened(0.9f);
  // local_move_probability near convergence.
  double converged_local_move_probability = widened(0.5f);
  // 1: every variable may mutate; 2: only where the parent equals the best vector.
  std::int32_t mutation_mode = 1;
  // Source of the move draw: 1 minstd_random, 2 mul5_random.
  std::int32_t uniform_source = 1;
  // Rows of deviation_history in use.
  std::int32_t history_depth = 5;
  // Factor of the wide perturbation of a global move (keys "9" and "8").
  double search_scale = 10.0;
  // While search_scale is above it, a global move is always a fresh draw.
  double scale_bound = widened(1.1f);

  // --- Built-in switches: fields, so that tests can turn them on ---

  // 1: the trace files of the intermediate array before and after ranking.
  std::int32_t trace_intermediate = 0;
  // 1: the per-iteration population file.
  std::int32_t trace_iterations = 0;
  // Listed coordinates: 1 the value (times range_scale in the relative mode),
  // 0 its fraction of the range, any other value none.
  std::int32_t coordinate_print_mode = 1;
  // 1: the search runs in whole relative steps (set-up converts the ranges).
  std::int32_t relative_mode = 0;
  // Steps across the range in the relative mode.
  std::int32_t relative_width = 100;
  // 2: the ranges come from the continuation file.
  std::int32_t continuation_mode = 1;

  // --- Counters and per-iteration values ---

  // Feasible individuals found by the initial population (set-up, initial population).
  std::int32_t generated_count = 0;
  // The current iteration, from 1 (search loop).
  std::int32_t iteration = 1;
  // Population rows the tournaments draw from: generated_count in iteration
  // 1, working_size later (tournaments).
  std::int32_t available_count = 0;
  // Percent by which the mean stored objective of the intermediate array lies
  // from the best (tournaments).
  double degree_of_difference = 0.0;
  // Mean coordinate_spread over the N variables, search units (tournaments).
  double convergence_parameter = 0.0;
  // Coinciding stored objectives of the ranked intermediate array, counted by blocks (ranking).
  std::int32_t coinciding_count = 0;
  // Iterations between progress pairs on the console and in z_result.txt (settings file).
  std::int32_t console_report_period = 100;
  std::int32_t file_report_period = 100;
  // Iterations since the last progress pair; negative until the first (search loop).
  std::int32_t console_report_counter = -100000;
  std::int32_t file_report_counter = -100000;
  // The mutation threshold in force (set-up, search loop).
  double current_mutation_threshold = 0.0;
  // The zero threshold in force during one offspring step (offspring step).
  double current_zero_threshold = 0.0;
  // The local move probability in force during one offspring step (offspring step).
  double current_local_move_probability = 0.0;

  // --- The evaluation and the random sources ---

  // What the evaluations are given and answer, and their counters (evaluation).
  EvaluationRecord evaluation{};
  // Draws of the tournaments, the initial population, the offspring step and
  // the threshold redraw.
  MinstdRandom minstd{};
  // The own generator: started at set-up; the refinement step and, with
  // uniform_source 2, the move draw.
  Mul5Random mul5{};
  // The seed the own generator starts from (set-up).
  double mul5_seed = mul5_start_seed;
};

// What an evaluation is told of the problem: its sizes and how the search's
// coordinates map to the model's real units.
struct ProblemView {
  std::int32_t variable_count;    // N
  std::int32_t constraint_count;  // M
  bool relative;                  // relative mode: coordinates are step numbers
  const Vector1<double, max_variables>* range_centre;
  const Vector1<double, max_variables>* range_scale;

  // Coordinate i in real units: in the relative mode step s stands for
  // range_centre + s * range_scale.
  double real_value(std::int32_t i, double coordinate) const {
    return relative ? coordinate * (*range_scale)[i] + (*range_centre)[i] : coordinate;
  }
};

inline ProblemView problem_view(const SearchState& state) {
  return {state.variable_count, state.constraint_count, state.relative_mode == 1,
          &state.range_centre, &state.range_scale};
}

// Sets the six size-dependent settings from N: rows are tested in order and
// each matching row overwrites the previous one; below 10 the defaults stay.
void apply_size_table(SearchState& state);

}  // namespace genopt
