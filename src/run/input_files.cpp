#include "run/input_files.h"

#include <string>

#include "platform/files.h"
#include "text/free_format_reader.h"
#include "text/messages.h"

namespace genopt {

namespace {

struct SettingsReads {
  std::int32_t pairs = 0;
  bool too_many_pairs = false;
};

// Reads pairs until the end of the file; the pair that meets it does not count.
bool read_bound_pairs(FreeFormatReader& reader, SearchState& state, SettingsReads& reads) {
  for (;;) {
    double lower = 0.0;
    double upper = 0.0;
    const ReadOutcome outcome = reader.read(lower, upper);
    if (outcome == ReadOutcome::end_of_file) return true;
    if (outcome == ReadOutcome::error) return false;
    if (reads.pairs == max_variables) {
      reads.too_many_pairs = true;
      return true;
    }
    ++reads.pairs;
    state.lower_bound[reads.pairs] = lower;
    state.upper_bound[reads.pairs] = upper;
  }
}

// Reads one value a read, at most N + 1 reads: read N + 1 only tells whether
// the file goes on after N values. Returns the number of values read, or -1
// on a value of the wrong form.
template <class Value, class Store>
std::int32_t read_one_per_line(std::string_view content, std::int32_t n, Store store) {
  FreeFormatReader reader(content);
  for (std::int32_t read = 1; read <= n + 1; ++read) {
    Value value{};
    const ReadOutcome outcome = reader.read(value);
    if (outcome == ReadOutcome::error) return -1;
    if (outcome == ReadOutcome::end_of_file) return read - 1;
    if (read <= n) store(read, value);
  }
  return n + 1;  // a value after the N-th
}

// The failures of one optional input file.
struct OptionalFileFailures {
  Failure open;  // it exists but cannot be opened or read
  Failure read;  // its content is not what it must be
};

// Reads an optional input file and hands its content to `take`: a missing
// file is no failure; one larger than any input may be is refused unread.
template <class Take>
Outcome read_optional_file(std::string_view name, OptionalFileFailures failures, Take take) {
  std::string content;
  const int error = files::read_whole(name, content);
  if (files::is_missing(error)) return {};
  if (files::is_too_large(error)) return failed(failures.read);
  if (error != 0) return failed(failures.open);
  return take(content);
}

}  // namespace

Outcome read_settings_file(SearchState& state) {
  std::string content;
  if (files::read_whole(text::settings_file_name, content) != 0) {
    return failed(Failure::settings_file);
  }
  return take_settings(content, state);
}

Outcome take_settings(std::string_view content, SearchState& state) {
  FreeFormatReader reader(content);
  TextField title{};
  if (reader.read(title) == ReadOutcome::error ||
      reader.read(state.model_constraint_count) == ReadOutcome::error ||
      reader.read(state.console_report_period, state.file_report_period) == ReadOutcome::error) {
    return failed(Failure::settings_file);
  }
  // A negative K would let 2N + K fall below the indices a correct model answers.
  if (state.model_constraint_count < 0) return failed(Failure::settings_file);
  SettingsReads reads;
  if (!read_bound_pairs(reader, state, reads)) return failed(Failure::settings_file);
  if (reads.too_many_pairs) return failed(Failure::settings_too_many_pairs);
  if (reads.pairs == 0) return failed(Failure::settings_no_pairs);
  state.variable_count = reads.pairs;
  if (2 * static_cast<std::int64_t>(state.variable_count) + state.model_constraint_count >
      max_constraint_values) {
    return failed(Failure::settings_too_many_values);
  }
  return {};
}

Outcome take_start_point(std::string_view content, SearchState& state) {
  const std::int32_t n = state.variable_count;
  const std::int32_t count = read_one_per_line<double>(
      content, n, [&](std::int32_t i, double value) { state.start_point[i] = value; });
  if (count < 0) return failed(Failure::start_point_read);
  state.start_point_given = count == n ? 1 : 0;
  return {};
}

Outcome take_integer_flags(std::string_view content, SearchState& state) {
  const std::int32_t n = state.variable_count;
  bool all_valid = true;
  const std::int32_t count =
      read_one_per_line<std::int32_t>(content, n, [&](std::int32_t i, std::int32_t flag) {
        state.is_integer[i] = flag;
        all_valid = all_valid && (flag == 0 || flag == 1);
      });
  if (count < 0) return failed(Failure::integer_flags_read);
  if (count != n || !all_valid) {
    for (std::int32_t i = 1; i <= n; ++i) state.is_integer[i] = 0;
  }
  return {};
}

Outcome read_start_point_file(SearchState& state) {
  return read_optional_file(
      text::start_point_file_name, {Failure::start_point_open, Failure::start_point_read},
      [&](std::string_view content) { return take_start_point(content, state); });
}

Outcome read_integer_flags_file(SearchState& state) {
  return read_optional_file(
      text::integer_flags_file_name, {Failure::integer_flags_open, Failure::integer_flags_read},
      [&](std::string_view content) { return take_integer_flags(content, state); });
}

}  // namespace genopt
