#include "evaluation/model_exchange.h"

#include "text/free_format_reader.h"
#include "text/free_format_writer.h"
#include "text/messages.h"

namespace genopt {

// The candidate as one free-format write from the start of the file.
void make_record(const Vector1<double, max_variables>& X_real, std::int32_t variable_count,
                 std::string& record) {
  record.clear();
  FreeFormatRecord writer(record, Encoding::cp1251);
  for (std::int32_t i = 1; i <= variable_count; ++i) writer.add(X_real[i]);
  writer.finish();
}

Outcome take_answer(std::string_view answer, std::int32_t constraint_count,
                    EvaluationRecord& evaluation) {
  const std::int32_t m = constraint_count;
  // The buffers keep their values between exchanges: a field the answer does
  // not reach stays as the last exchange left it. An answer without a number
  // (an empty or missing work file: the model failed) is no answer at all.
  FreeFormatReader reader(answer);
  const ReadOutcome outcome = reader.read(evaluation.rab_value, evaluation.rab_index);
  if (outcome == ReadOutcome::error || reader.stored_count() == 0) {
    return failed(Failure::work_file_read);
  }
  if (evaluation.rab_index > m) return failed(Failure::work_file_read);
  if (outcome == ReadOutcome::end_of_file) {
    evaluation.objective_value = evaluation.rab_value;
    return {};
  }
  if (evaluation.rab_index < 1) return failed(Failure::work_file_read);
  evaluation.constraint_values[evaluation.rab_index] = evaluation.rab_value;
  return {};
}

void count_evaluation(EvaluationRecord& evaluation, std::int32_t constraint_count) {
  ++evaluation.N_model_calls;
  for (std::int32_t j = 1; j <= constraint_count; ++j) {
    if (evaluation.constraint_values[j] < 0.0) {
      ++evaluation.N_activations;
      ++evaluation.act_count[j];
      return;
    }
  }
}

bool is_feasible(const EvaluationRecord& evaluation, std::int32_t constraint_count) {
  for (std::int32_t j = 1; j <= constraint_count; ++j) {
    if (evaluation.constraint_values[j] < 0.0) return false;
  }
  return true;
}

double stored_objective(const EvaluationRecord& evaluation, std::int32_t objective_sense) {
  return objective_sense == 0 ? -evaluation.objective_value : evaluation.objective_value;
}

}  // namespace genopt
