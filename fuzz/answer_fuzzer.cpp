// Fuzzes the reading of the model's answer. The first two bytes give M
// (1..2000), the third the index an earlier answer left in rab_index (the
// buffers keep their values between exchanges), the rest is the answer.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "evaluation/model_exchange.h"
#include "state/search_state.h"

namespace {

using genopt::EvaluationRecord;
using genopt::max_constraint_values;

void check(bool holds) {
  if (!holds) __builtin_trap();
}

std::uint64_t bits_of(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

double from_bits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// NaN payloads that no conversion makes, so that a field still holding one
// was not written.
constexpr std::uint64_t objective_marker = 0x7ff8'0000'0b1e'c7edULL;
constexpr std::uint64_t constraint_marker = 0x7ff8'0000'c0de'0001ULL;
constexpr std::uint64_t value_marker = 0x7ff8'0000'0000'fa11ULL;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::int32_t m = 1 + (static_cast<std::int32_t>(data[0]) << 8 | data[1]) % 2000;
  const std::int32_t kept_index = static_cast<std::int8_t>(data[2]);
  const std::string_view answer(reinterpret_cast<const char*>(data + 3), size - 3);

  const auto evaluation = std::make_unique<EvaluationRecord>();
  evaluation->objective_value = from_bits(objective_marker);
  for (double& value : evaluation->constraint_values) value = from_bits(constraint_marker);
  evaluation->rab_value = from_bits(value_marker);
  evaluation->rab_index = kept_index;

  const genopt::Outcome outcome = genopt::take_answer(answer, m, *evaluation);

  const bool objective_set = bits_of(evaluation->objective_value) != objective_marker;
  std::int32_t constraints_set = 0;
  std::int32_t constraint_set = 0;
  for (std::int32_t j = 0; j <= max_constraint_values; ++j) {
    if (bits_of(evaluation->constraint_values[j]) != constraint_marker) {
      ++constraints_set;
      constraint_set = j;
    }
  }

  if (!outcome.ok()) {
    check(outcome.kind == genopt::OutcomeKind::reported);
    check(outcome.failure == genopt::Failure::work_file_read);
    check(!objective_set && constraints_set == 0);
    return 0;
  }
  // An answer with no number at all is a failure, so a success read one.
  check(bits_of(evaluation->rab_value) != value_marker);
  if (objective_set) {
    check(bits_of(evaluation->objective_value) == bits_of(evaluation->rab_value));
    check(constraints_set == 0);
  } else {
    check(constraints_set == 1);
    check(constraint_set >= 1 && constraint_set <= m);
    check(constraint_set == evaluation->rab_index);
    check(bits_of(evaluation->constraint_values[constraint_set]) == bits_of(evaluation->rab_value));
  }
  return 0;
}
