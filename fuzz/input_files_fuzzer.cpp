// Fuzzes the three input-file readers from their content. The first byte is
// a separator that cuts the rest into the settings, the start point and the
// integer flags; a missing part is an empty file.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "run/input_files.h"
#include "state/search_state.h"
#include "text/free_format_reader.h"

namespace {

using genopt::max_constraint_values;
using genopt::max_variables;
using genopt::SearchState;

void check(bool holds) {
  if (!holds) __builtin_trap();
}

bool is_positive_zero(double value) {
  double zero = 0.0;
  return std::memcmp(&value, &zero, sizeof value) == 0;
}

// The values of a one-value-a-line file as the reader gives them, every one
// to the end: where a value of the wrong form came (0 when none) and the
// values before it.
template <class Value>
std::size_t values_in(std::string_view content, std::vector<Value>& values) {
  genopt::FreeFormatReader reader(content);
  values.clear();
  for (;;) {
    Value value{};
    const genopt::ReadOutcome outcome = reader.read(value);
    if (outcome == genopt::ReadOutcome::end_of_file) return 0;
    if (outcome == genopt::ReadOutcome::error) return values.size() + 1;
    values.push_back(value);
  }
}

// Cuts the next part off `rest` at `separator`.
std::string_view next_part(std::string_view& rest, char separator) {
  const std::size_t end = rest.find(separator);
  const std::string_view part = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
  return part;
}

// The state is some 16 MB: made once, and only the fields the readers write
// are set back to their start values for each input.
SearchState& fresh_state() {
  static const std::unique_ptr<SearchState> state = std::make_unique<SearchState>();
  static const std::unique_ptr<const SearchState> defaults = std::make_unique<SearchState>();
  state->variable_count = 0;
  state->model_constraint_count = 0;
  state->console_report_period = defaults->console_report_period;
  state->file_report_period = defaults->file_report_period;
  state->lower_bound = {};
  state->upper_bound = {};
  state->start_point = {};
  state->start_point_given = 0;
  state->is_integer = {};
  return *state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const char separator = static_cast<char>(data[0]);
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string_view settings = next_part(rest, separator);
  const std::string_view start_point = next_part(rest, separator);
  const std::string_view flags = next_part(rest, separator);

  SearchState& state = fresh_state();
  const genopt::Outcome taken = genopt::take_settings(settings, state);
  check(taken.ok() || taken.kind == genopt::OutcomeKind::reported);
  if (!taken.ok()) return 0;

  const std::int32_t n = state.variable_count;
  check(n >= 1 && n <= max_variables);
  check(state.model_constraint_count >= 0);
  check(2 * n + state.model_constraint_count <= max_constraint_values);
  // Only bound pairs 1..N are written.
  check(is_positive_zero(state.lower_bound[0]) && is_positive_zero(state.upper_bound[0]));
  for (int i = n + 1; i <= max_variables; ++i) {
    check(is_positive_zero(state.lower_bound[i]) && is_positive_zero(state.upper_bound[i]));
  }

  // A value of the wrong form fails a file only within the first N + 1
  // values: value N + 1 just tells that the file goes on. The values are
  // taken only when there are exactly N.
  const auto exactly_n = static_cast<std::size_t>(n);
  std::vector<double> points;
  const std::size_t wrong_point = values_in(start_point, points);
  const genopt::Outcome start = genopt::take_start_point(start_point, state);
  check(start.ok() == (wrong_point == 0 || wrong_point > exactly_n + 1));
  check(start.ok() || start.failure == genopt::Failure::start_point_read);
  if (start.ok()) {
    const bool given = wrong_point == 0 && points.size() == exactly_n;
    check(state.start_point_given == (given ? 1 : 0));
    for (int i = 1; given && i <= n; ++i) {
      check(std::memcmp(&state.start_point[i], &points[i - 1], sizeof(double)) == 0);
    }
  }
  check(is_positive_zero(state.start_point[0]));
  for (int i = n + 1; i <= max_variables; ++i) check(is_positive_zero(state.start_point[i]));
  if (!start.ok()) return 0;

  std::vector<std::int32_t> read_flags;
  const std::size_t wrong_flag = values_in(flags, read_flags);
  const genopt::Outcome flagged = genopt::take_integer_flags(flags, state);
  check(flagged.ok() == (wrong_flag == 0 || wrong_flag > exactly_n + 1));
  check(flagged.ok() || flagged.failure == genopt::Failure::integer_flags_read);
  check(state.is_integer[0] == 0);
  for (int i = n + 1; i <= max_variables; ++i) check(state.is_integer[i] == 0);
  // Taken flags are each 0 or 1; anything else leaves every variable continuous.
  if (flagged.ok()) {
    bool taken = wrong_flag == 0 && read_flags.size() == exactly_n;
    for (std::int32_t flag : read_flags) taken = taken && (flag == 0 || flag == 1);
    for (int i = 1; i <= n; ++i) check(state.is_integer[i] == (taken ? read_flags[i - 1] : 0));
  }
  return 0;
}
