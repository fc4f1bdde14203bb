#pragma once
// Evaluations in flight: candidates are started in order, up to `jobs` at
// once, and their results are applied to the evaluation record strictly in
// the order they were started. Everything that depends on an earlier answer
// (the counters, the answer buffers rab_value and rab_index, the objective
// kept across constraint answers) is done when a result is applied, so the
// record goes through exactly the states of evaluations one after another.
//
// Every model run goes through one engine (platform/process.h). With one job
// every evaluation runs in the run directory (slot 0); with more, evaluation t
// runs in slot (t mod jobs) + 1, a directory of its own (slot_directories.h).
// The last evaluation of the best point runs in the run directory either way.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "evaluation/work_file.h"
#include "platform/process.h"
#include "state/random_sources.h"
#include "state/search_state.h"
#include "text/outcome.h"

namespace genopt {

// The most evaluations in flight at once.
inline constexpr std::int32_t max_jobs = max_side_by_side_runs;

// What every model run is given.
struct ModelRunSettings {
  std::int32_t time_limit = 0;              // seconds a model run may take; 0: no limit
  std::span<const std::string> launcher{};  // words before the model's path; none
};

// Where the search stood when it started an evaluation: what it takes back
// when the evaluations started after one are dropped.
struct TakeBack {
  MinstdRandom generator{};     // the own generator just after the candidate was drawn
  std::size_t result_length{};  // the result file's pending bytes just after its trace lines
};

class EvaluationQueue {
 public:
  // `work_file` is the run directory's, held by the run.
  EvaluationQueue(WorkFile& work_file, const ModelRunSettings& settings, std::int32_t jobs);
  ~EvaluationQueue();
  EvaluationQueue(const EvaluationQueue&) = delete;
  EvaluationQueue& operator=(const EvaluationQueue&) = delete;

  // Makes the slot directories (more than one job).
  Outcome open();
  // Removes them after a normal end; after a failure they stay.
  Outcome close();

  bool full() const { return started_ - applied_ == jobs_; }
  bool empty() const { return started_ == applied_; }

  // Starts the evaluation of candidate[1..N] (search units). There must be room.
  void start(std::span<const double> candidate, const ProblemView& problem,
             const TakeBack& take_back = {});
  // Waits for the oldest evaluation and applies its result to `evaluation`
  // as evaluate_candidate does, candidate and X_real included.
  Outcome apply_oldest(EvaluationRecord& evaluation, const ProblemView& problem);
  // Where the search stood when it started the evaluation applied last.
  const TakeBack& last_applied() const { return last_applied_; }
  // Ends every run still going and forgets the results not yet applied.
  void drop_all();

  // Evaluates evaluation.candidate in the run directory, with nothing in flight.
  Outcome evaluate_here(EvaluationRecord& evaluation, const ProblemView& problem);

 private:
  struct Slot;
  Slot& slot_of(std::int64_t evaluation);
  void start_in(Slot& slot, const ProblemView& problem);
  Outcome finish_in(Slot& slot);
  Outcome apply(Slot& slot, EvaluationRecord& evaluation, const ProblemView& problem);
  void keep_failing_answer(Slot& slot);

  WorkFile& work_file_;
  ModelRunSettings settings_;
  std::int32_t jobs_;
  std::int32_t first_slot_;  // 0 with one job, 1 with more
  std::int64_t started_ = 0;
  std::int64_t applied_ = 0;
  TakeBack last_applied_{};
  std::unique_ptr<Slot[]> slots_;  // 0..jobs: the run directory's, then the slot directories'
  ModelRuns runs_;
};

// Evaluates evaluation.candidate in the run directory: maps it to real units
// into X_real, runs one exchange with the model, and counts the model run and
// the first violated constraint.
inline Outcome evaluate_candidate(EvaluationRecord& evaluation, const ProblemView& problem,
                                  EvaluationQueue& queue) {
  return queue.evaluate_here(evaluation, problem);
}

}  // namespace genopt
