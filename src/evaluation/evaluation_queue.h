#pragma once
// Evaluations in flight: candidates are started in order, up to `jobs` at
// once, and their results are applied to the evaluation record strictly in
// the order they were started. Everything that depends on an earlier answer
// (the counters, the answer buffers rab_value and rab_index, the objective
// kept across constraint answers) is done when a result is applied, so the
// record goes through exactly the states of evaluations one after another.
//
// With one job every evaluation runs in the run directory, when it is
// applied: the exchange of a serial run. With more, each runs in a slot
// directory of its own (slot_directories.h), in the order of the slots.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "evaluation/model_exchange.h"
#include "evaluation/work_file.h"
#include "platform/process.h"
#include "state/search_state.h"
#include "text/outcome.h"

namespace genopt {

// The most evaluations in flight at once.
inline constexpr std::int32_t max_jobs = max_side_by_side_runs;

class EvaluationQueue {
 public:
  // `serial` is the run directory's exchange; its time limit and launcher
  // hold for every run.
  EvaluationQueue(ModelExchange& serial, std::int32_t jobs);
  ~EvaluationQueue();
  EvaluationQueue(const EvaluationQueue&) = delete;
  EvaluationQueue& operator=(const EvaluationQueue&) = delete;

  // Makes the slot directories (more than one job).
  Outcome open();
  // Removes them after a normal end; after a failure they stay.
  Outcome close();

  bool full() const { return started_ - applied_ == jobs_; }
  bool empty() const { return started_ == applied_; }

  // Starts the evaluation of candidate[1..N] (search units).
  void start(std::span<const double> candidate, const ProblemView& problem);
  // Waits for the oldest evaluation and applies its result to `evaluation`
  // as evaluate_candidate does, candidate and X_real included.
  Outcome apply_oldest(EvaluationRecord& evaluation, const ProblemView& problem);
  // Ends every run still going and forgets the results not yet applied.
  void drop_all();

 private:
  struct Slot;
  Slot& slot_of(std::int64_t evaluation);
  void start_in_slot(Slot& slot, std::int32_t number, const ProblemView& problem);
  Outcome finish_in_slot(Slot& slot, std::int32_t number);

  ModelExchange& serial_;
  std::int32_t jobs_;
  std::int64_t started_ = 0;
  std::int64_t applied_ = 0;
  std::vector<std::unique_ptr<Slot>> slots_;  // [0] for one job; [1..jobs] otherwise
  std::unique_ptr<ModelRunSlots> runs_;
};

}  // namespace genopt
