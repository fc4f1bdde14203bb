#include "evaluation/evaluation_queue.h"

#include <cassert>
#include <optional>
#include <string>

#include "evaluation/model_exchange.h"
#include "evaluation/slot_directories.h"
#include "platform/files.h"
#include "text/messages.h"

namespace genopt {

namespace {

// A record holds at most max_variables values of 24 characters and a line
// end each three; an answer is read up to the work file's read limit. Both
// are sized once, so that an evaluation allocates nothing.
constexpr std::size_t record_capacity = max_variables * 25 + 64;

}  // namespace

// One evaluation in flight: what it was given and, once done, what came back.
struct EvaluationQueue::Slot {
  std::int32_t number = 0;
  WorkFile* work_file = nullptr;  // the run directory's, or own_work_file
  std::optional<WorkFile> own_work_file;
  Vector1<double, max_variables> candidate{};
  Vector1<double, max_variables> X_real{};
  TakeBack take_back{};
  std::string record;
  std::string answer;
  Outcome outcome{};     // a failure of the start, the run or the answer's read
  bool running = false;  // started, not yet waited for
};

EvaluationQueue::EvaluationQueue(WorkFile& work_file, const ModelRunSettings& settings,
                                 std::int32_t jobs)
    : work_file_(work_file),
      settings_(settings),
      jobs_(jobs),
      first_slot_(jobs == 1 ? 0 : 1),
      slots_(std::make_unique<Slot[]>(static_cast<std::size_t>(jobs) + 1)),
      runs_(ModelCommand{text::model_program_name, settings.launcher}, settings.time_limit) {
  assert(jobs >= 1 && jobs <= max_jobs);
  for (std::int32_t number = 0; number <= jobs_; ++number) {
    Slot& slot = slots_[static_cast<std::size_t>(number)];
    slot.number = number;
    if (number == 0) {
      slot.work_file = &work_file_;
    } else {
      slot.work_file = &slot.own_work_file.emplace(slot_directory(number) + '/' +
                                                   std::string(text::work_file_name));
    }
    slot.record.reserve(record_capacity);
    slot.answer.reserve(WorkFile::answer_read_limit + 1);  // the read looks one byte beyond
  }
}

EvaluationQueue::~EvaluationQueue() = default;

Outcome EvaluationQueue::open() {
  if (jobs_ == 1) return {};
  if (Outcome outcome = make_slot_directories(jobs_); !outcome.ok()) return outcome;
  for (std::int32_t number = 1; number <= jobs_; ++number) {
    runs_.set_directory(number, slot_directory(number));
  }
  return {};
}

Outcome EvaluationQueue::close() {
  drop_all();
  if (jobs_ == 1) return {};
  for (std::int32_t number = 1; number <= jobs_; ++number) {
    slots_[static_cast<std::size_t>(number)].work_file->release();
  }
  return remove_slot_directories();
}

EvaluationQueue::Slot& EvaluationQueue::slot_of(std::int64_t evaluation) {
  return slots_[static_cast<std::size_t>(first_slot_ + evaluation % jobs_)];
}

void EvaluationQueue::start(std::span<const double> candidate, const ProblemView& problem,
                            const TakeBack& take_back) {
  assert(!full() && "an evaluation is started only where there is room");
  Slot& slot = slot_of(started_++);
  for (std::int32_t i = 1; i <= problem.variable_count; ++i) slot.candidate[i] = candidate[i];
  slot.take_back = take_back;
  start_in(slot, problem);
}

// Writes the record into the slot's work file and starts the model there; a
// failure is kept until the result is applied, as a serial run would meet it then.
void EvaluationQueue::start_in(Slot& slot, const ProblemView& problem) {
  const std::int32_t n = problem.variable_count;
  for (std::int32_t i = 1; i <= n; ++i) slot.X_real[i] = problem.real_value(i, slot.candidate[i]);
  make_record(slot.X_real, n, slot.record);
  slot.outcome = {};
  if (slot.work_file->write_record(slot.record) != 0) {
    slot.outcome = failed(Failure::work_file_write);
  } else if (!runs_.start(slot.number)) {
    slot.outcome = failed(Failure::model_start);
  } else {
    slot.running = true;
  }
}

Outcome EvaluationQueue::finish_in(Slot& slot) {
  if (!slot.running) return slot.outcome;
  slot.running = false;
  if (runs_.wait(slot.number) == ModelRun::timed_out) {
    return failed(Failure::model_timeout, settings_.time_limit);
  }
  if (slot.work_file->read_answer(slot.answer) != 0) return failed(Failure::work_file_read);
  return {};
}

Outcome EvaluationQueue::apply(Slot& slot, EvaluationRecord& evaluation,
                               const ProblemView& problem) {
  const Outcome run = finish_in(slot);
  for (std::int32_t i = 1; i <= problem.variable_count; ++i) {
    evaluation.candidate[i] = slot.candidate[i];
    evaluation.X_real[i] = slot.X_real[i];
  }
  for (std::int32_t j = 1; j <= problem.constraint_count; ++j) {
    evaluation.constraint_values[j] = 0.0;
  }
  Outcome outcome = run.ok() ? take_answer(slot.answer, problem.constraint_count, evaluation) : run;
  if (!outcome.ok()) {
    keep_failing_answer(slot);
    return outcome;
  }
  count_evaluation(evaluation, problem.constraint_count);
  return {};
}

// After a failure the run directory's work file holds what the failing run
// left in its own, as it would after a run one at a time.
void EvaluationQueue::keep_failing_answer(Slot& slot) {
  if (&slot == &slots_[0]) return;
  if (slot.work_file->read_answer(slot.answer) != 0) return;
  static_cast<void>(work_file_.write_copy(slot.answer));
}

Outcome EvaluationQueue::apply_oldest(EvaluationRecord& evaluation, const ProblemView& problem) {
  assert(!empty() && "a result is applied only after its evaluation was started");
  Slot& slot = slot_of(applied_++);
  last_applied_ = slot.take_back;
  return apply(slot, evaluation, problem);
}

void EvaluationQueue::drop_all() {
  runs_.end_all();
  for (std::int32_t number = 0; number <= jobs_; ++number) {
    slots_[static_cast<std::size_t>(number)].running = false;
  }
  applied_ = started_;
}

Outcome EvaluationQueue::evaluate_here(EvaluationRecord& evaluation, const ProblemView& problem) {
  assert(empty() && "the run directory's evaluation waits for the others");
  Slot& here = slots_[0];
  for (std::int32_t i = 1; i <= problem.variable_count; ++i) {
    here.candidate[i] = evaluation.candidate[i];
  }
  start_in(here, problem);
  return apply(here, evaluation, problem);
}

}  // namespace genopt
