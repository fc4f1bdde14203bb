#include "evaluation/model_exchange.h"

#include "platform/process.h"
#include "text/free_format_writer.h"
#include "text/free_format_reader.h"
#include "text/messages.h"

namespace genopt {

namespace {

// The candidate as one free-format write: three values a line, each to 15
// significant digits, from the start of the file.
void make_record(const SearchState& state, std::string& record) {
  record.clear();
  FreeFormatRecord writer(record, Encoding::cp1251);
  for (std::int32_t i = 1; i <= state.variable_count; ++i) writer.add(state.X_real[i]);
  writer.finish();
}

}  // namespace

Outcome exchange_with_model(SearchState& state, ModelExchange& exchange) {
  for (std::int32_t j = 1; j <= state.constraint_count; ++j) state.constraint_values[j] = 0.0;
  make_record(state, exchange.record);
  if (exchange.work_file.write_record(exchange.record) != 0)
    return failed(Failure::work_file_write);
  if (run_model(text::model_program_name) != ModelRun::ended) return failed(Failure::model_start);
  if (exchange.work_file.read_answer(exchange.answer) != 0) return failed(Failure::work_file_read);

  // The buffers keep their values between exchanges: a field the answer does
  // not reach stays as the last exchange left it.
  FreeFormatReader reader(exchange.answer);
  const ReadOutcome outcome = reader.read(state.rab_value, state.rab_index);
  if (outcome == ReadOutcome::error) return failed(Failure::work_file_read);
  if (state.rab_index > state.constraint_count) return failed(Failure::work_file_read);
  if (outcome == ReadOutcome::end_of_file) {
    state.objective_value = state.rab_value;
    return {};
  }
  if (state.rab_index < 1) return failed(Failure::work_file_read);
  state.constraint_values[state.rab_index] = state.rab_value;
  return {};
}

Outcome evaluate_candidate(SearchState& state, ModelExchange& exchange) {
  const std::int32_t n = state.variable_count;
  for (std::int32_t i = 1; i <= n; ++i) {
    state.X_real[i] = state.relative_mode == 1
                          ? state.candidate[i] * state.range_scale[i] + state.range_centre[i]
                          : state.candidate[i];
  }
  if (Outcome outcome = exchange_with_model(state, exchange); !outcome.ok()) return outcome;
  ++state.N_model_calls;
  for (std::int32_t j = 1; j <= state.constraint_count; ++j) {
    if (state.constraint_values[j] < 0.0) {
      ++state.N_activations;
      ++state.act_count[j];
      break;
    }
  }
  return {};
}

bool is_feasible(const SearchState& state) {
  for (std::int32_t j = 1; j <= state.constraint_count; ++j) {
    if (state.constraint_values[j] < 0.0) return false;
  }
  return true;
}

double stored_objective(const SearchState& state) {
  return state.objective_sense == 0 ? -state.objective_value : state.objective_value;
}

}  // namespace genopt
