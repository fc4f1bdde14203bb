#include "evaluation/evaluation_queue.h"

#include <string>
#include <utility>

#include "evaluation/slot_directories.h"
#include "platform/files.h"
#include "text/messages.h"

namespace genopt {

// One evaluation in flight: what it was given and, once done, what came back.
struct EvaluationQueue::Slot {
  explicit Slot(std::string work_file_path) : work_file(std::move(work_file_path)) {}

  Vector1<double, max_variables> candidate{};
  Vector1<double, max_variables> X_real{};
  WorkFile work_file;
  std::string record;
  std::string answer;
  Outcome outcome{};     // a failure of the start, the run or the answer's read
  bool running = false;  // started, not yet waited for
};

EvaluationQueue::EvaluationQueue(ModelExchange& serial, std::int32_t jobs)
    : serial_(serial), jobs_(jobs) {
  if (jobs_ == 1) {
    slots_.push_back(std::make_unique<Slot>(std::string(text::work_file_name)));
    return;
  }
  slots_.reserve(static_cast<std::size_t>(jobs_) + 1);
  slots_.push_back(nullptr);  // slot numbers start at 1
  for (std::int32_t number = 1; number <= jobs_; ++number) {
    slots_.push_back(
        std::make_unique<Slot>(slot_directory(number) + '/' + std::string(text::work_file_name)));
  }
  runs_ = std::make_unique<ModelRunSlots>(ModelCommand{text::model_program_name, serial_.launcher},
                                          serial_.model_time_limit);
}

EvaluationQueue::~EvaluationQueue() = default;

Outcome EvaluationQueue::open() {
  if (jobs_ == 1) return {};
  if (Outcome outcome = make_slot_directories(jobs_); !outcome.ok()) return outcome;
  for (std::int32_t number = 1; number <= jobs_; ++number) {
    runs_->set_directory(number, slot_directory(number));
  }
  return {};
}

Outcome EvaluationQueue::close() {
  if (jobs_ == 1) return {};
  drop_all();
  for (auto& slot : slots_) {
    if (slot) slot->work_file.release();
  }
  return remove_slot_directories();
}

EvaluationQueue::Slot& EvaluationQueue::slot_of(std::int64_t evaluation) {
  if (jobs_ == 1) return *slots_[0];
  return *slots_[static_cast<std::size_t>(evaluation % jobs_) + 1];
}

void EvaluationQueue::start(std::span<const double> candidate, const ProblemView& problem) {
  Slot& slot = slot_of(started_);
  const std::int32_t n = problem.variable_count;
  for (std::int32_t i = 1; i <= n; ++i) slot.candidate[i] = candidate[i];
  if (jobs_ > 1) start_in_slot(slot, static_cast<std::int32_t>(started_ % jobs_) + 1, problem);
  ++started_;
}

// Writes the record into the slot's work file and starts the model there; a
// failure is kept until the result is applied, as a serial run would meet it then.
void EvaluationQueue::start_in_slot(Slot& slot, std::int32_t number, const ProblemView& problem) {
  const std::int32_t n = problem.variable_count;
  for (std::int32_t i = 1; i <= n; ++i) slot.X_real[i] = problem.real_value(i, slot.candidate[i]);
  make_record(slot.X_real, n, slot.record);
  slot.outcome = {};
  if (slot.work_file.write_record(slot.record) != 0) {
    slot.outcome = failed(Failure::work_file_write);
  } else if (!runs_->start(number)) {
    slot.outcome = failed(Failure::model_start);
  } else {
    slot.running = true;
  }
}

Outcome EvaluationQueue::finish_in_slot(Slot& slot, std::int32_t number) {
  if (!slot.running) return slot.outcome;
  slot.running = false;
  if (runs_->wait(number) == ModelRun::timed_out) {
    return failed(Failure::model_timeout, serial_.model_time_limit);
  }
  if (slot.work_file.read_answer(slot.answer) != 0) return failed(Failure::work_file_read);
  return {};
}

Outcome EvaluationQueue::apply_oldest(EvaluationRecord& evaluation, const ProblemView& problem) {
  Slot& slot = slot_of(applied_);
  const std::int32_t number = static_cast<std::int32_t>(applied_ % jobs_) + 1;
  ++applied_;
  const std::int32_t n = problem.variable_count;
  for (std::int32_t i = 1; i <= n; ++i) evaluation.candidate[i] = slot.candidate[i];
  if (jobs_ == 1) return evaluate_candidate(evaluation, problem, serial_);

  const Outcome run = finish_in_slot(slot, number);
  for (std::int32_t i = 1; i <= n; ++i) evaluation.X_real[i] = slot.X_real[i];
  for (std::int32_t j = 1; j <= problem.constraint_count; ++j)
    evaluation.constraint_values[j] = 0.0;
  if (!run.ok()) return run;
  if (Outcome outcome = take_answer(slot.answer, problem.constraint_count, evaluation);
      !outcome.ok()) {
    return outcome;
  }
  count_evaluation(evaluation, problem.constraint_count);
  return {};
}

void EvaluationQueue::drop_all() {
  if (runs_) runs_->end_all();
  for (auto& slot : slots_) {
    if (slot) slot->running = false;
  }
  applied_ = started_;
}

}  // namespace genopt
