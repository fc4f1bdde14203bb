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
// record and the problem's shape, never the population.
struct EvaluationRecord {
  Vector1<double, max_variables> candidate{};  // coordinates to evaluate, search units
  Vector1<double, max_variables> X_real{};     // candidate in real units, as handed to the model
  Vector1<double, max_constraint_values>
      constraint_values{};         // constraint values of the last evaluation
  double objective_value = 0.0;    // objective of the last objective answer
  std::int32_t N_model_calls = 0;  // completed model exchanges
  std::int32_t N_activations = 0;  // evaluations that returned a violated constraint
  Vector1<std::int32_t, max_constraint_values> act_count{};  // first violated constraint tally
  double rab_value = 0.0;      // value field of the last read of the work file
  std::int32_t rab_index = 0;  // index field of the last read of the work file
};

struct SearchState {
  // Problem dimensions (run sequence and settings file).
  std::int32_t variable_count = 0;          // N, number of bound pairs read, 1..500
  std::int32_t model_constraint_count = 0;  // K, constraint values the model computes
  std::int32_t constraint_count = 0;        // M = 2N + K

  // Per-variable description (input readers; relative scaling in set-up).
  Vector1<double, max_variables> lower_bound{};  // search range, relative steps in relative mode
  Vector1<double, max_variables> upper_bound{};  //   (then -width/2 .. +width/2)
  Vector1<std::int32_t, max_variables> is_integer{};  // 1 = whole values only (flags file, set-up)
  Vector1<double, max_variables> start_point{};       // start point (start-point file)
  std::int32_t start_point_given = 0;  // 1 when the start-point file held exactly N values
  Vector1<double, max_variables>
      real_lower_bound{};  // real range kept by the relative mode (set-up)
  Vector1<double, max_variables> real_upper_bound{};
  Vector1<double, max_variables> range_centre{};  // relative mode: real value of step 0 (set-up)
  Vector1<double, max_variables> range_scale{};   // relative mode: real length of one step (set-up)

  // Per-variable statistics of the search.
  Vector1<double, max_variables>
      pop_min{};  // smallest value over the initial population (report only)
  Vector1<double, max_variables>
      pop_max{};  // largest value over the initial population (report only)
  Vector1<double, max_variables>
      coordinate_spread{};  // largest - smallest over intermediate, this iteration
  Vector1<double, max_variables>
      mean_deviation{};  // smoothed mean absolute deviation (step statistics)
  Vector1<Vector1<double, max_variables>, max_rows> deviation_history{};  // rows 1..history_depth

  // Vectors of one child (offspring step) and the best point (ranking).
  Vector1<double, max_variables> parent_vector{};  // coordinates of the current parent
  Vector1<double, max_variables> best_vector{};    // coordinates of row 1 after ranking
  Row child_vector{};                              // coordinates and, in N+1, the stored objective

  // Tables of individuals, one individual a row.
  Table population{};    // carried from iteration to iteration; row 1 best once sorted
  Table intermediate{};  // the intermediate array of an iteration
  Table parent_table{};  // tournament draws, then the ranked copy of intermediate
  Row swap_row{};        // through which every sort exchanges two rows

  // Fixed settings of the method; the size-dependent ones come from the size table.
  std::int32_t population_size = 100;  // warm-up target, then rows of intermediate (= working_size)
  std::int32_t working_size = 10;      // population size during the iterations
  std::int32_t max_attempts = 1'000'000;    // attempts allowed for the initial population
  std::int32_t max_iterations = 1'950'000;  // iteration limit
  std::int32_t group_size = 10;       // initial population progress line after this many accepted
  std::int32_t tournament_size = 2;   // individuals drawn per tournament
  std::int32_t objective_sense = 1;   // 1 minimise, 0 maximise (stored objective negated)
  double difference_threshold = 1.0;  // percent; near convergence below it
  double mutation_threshold = widened(0.7f);        // size table
  double late_mutation_threshold = widened(0.87f);  // size table
  std::int32_t switch_iteration = 1000;             // size table: late phase after this iteration
  double switch_probability =
      widened(0.3f);                       // late phase: a draw above it picks the late threshold
  double zero_threshold = widened(1e-9f);  // size table: a step below it counts as zero
  double alternate_zero_threshold = widened(1e-7f);  // size table
  double inherit_best_probability = widened(0.7f);   // a draw below it inherits from best_vector
  double local_move_probability = widened(0.9f);     // bound of a local move
  double converged_local_move_probability = widened(0.5f);  // near convergence
  std::int32_t mutation_mode = 1;   // 1 every variable may mutate; 2 only where parent equals best
  std::int32_t uniform_source = 1;  // move draw from 1 = minstd_random, 2 = mul5_random
  std::int32_t history_depth = 5;   // rows of deviation_history
  double search_scale = 10.0;       // factor of the wide perturbation, keys "9" and "8"
  double scale_bound = widened(1.1f);  // above it a global move is always a fresh draw

  // Built-in switches; fields so that tests can turn them on.
  std::int32_t trace_intermediate = 0;  // 1 = trace files of the intermediate array
  std::int32_t trace_iterations = 0;    // 1 = per-iteration population file
  std::int32_t coordinate_print_mode =
      1;                           // 1 value (x range_scale in relative mode), 0 fraction of range
  std::int32_t relative_mode = 0;  // 1 = the search runs in relative steps
  std::int32_t relative_width = 100;   // width of the relative range
  std::int32_t continuation_mode = 1;  // 2 = bounds from the continuation file

  // Counters and per-iteration values.
  std::int32_t generated_count = 0;    // feasible individuals of the initial population
  std::int32_t iteration = 1;          // current iteration
  std::int32_t available_count = 0;    // population rows the tournaments draw from
  double degree_of_difference = 0.0;   // percent: mean stored objective of intermediate vs best
  double convergence_parameter = 0.0;  // mean coordinate_spread over the N variables
  std::int32_t coinciding_count = 0;   // coinciding stored objectives after ranking
  std::int32_t console_report_period = 100;  // settings file
  std::int32_t file_report_period = 100;     // settings file
  std::int32_t console_report_counter =
      -100000;                                  // iterations since the last console progress lines
  std::int32_t file_report_counter = -100000;   // iterations since the last file progress lines
  double current_mutation_threshold = 0.0;      // threshold q in force (set-up, loop)
  double current_zero_threshold = 0.0;          // offspring step working value
  double current_local_move_probability = 0.0;  // offspring step working value

  // The evaluation's record (evaluation; the searcher writes the candidate).
  EvaluationRecord evaluation{};

  // Random sources.
  MinstdRandom minstd{};
  Mul5Random mul5{};
  double mul5_seed = 28395403264.0;
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
