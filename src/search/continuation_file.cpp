#include "search/continuation_file.h"

#include <string>

#include "platform/files.h"
#include "text/free_format_reader.h"
#include "text/messages.h"

namespace genopt {

namespace {

// Values read in the order lower 1, upper 1, lower 2, ...
Outcome read_bounds(std::string_view content, SearchState& state) {
  std::array<double, 2 * max_variables> values{};
  const std::size_t count = 2 * static_cast<std::size_t>(state.variable_count);
  FreeFormatReader reader(content);
  switch (reader.read_reals(values.data(), count)) {
    case ReadOutcome::ok:
      break;
    case ReadOutcome::end_of_file:
      return platform_failure(text::continuation_file_name, "fewer values than 2N");
    case ReadOutcome::error:
      return platform_failure(text::continuation_file_name, "a value is not a number");
  }
  for (std::int32_t i = 1; i <= state.variable_count; ++i) {
    state.lower_bound[i] = values[2 * static_cast<std::size_t>(i) - 2];
    state.upper_bound[i] = values[2 * static_cast<std::size_t>(i) - 1];
  }
  return {};
}

template <class Pair>
Outcome write_pairs(std::string_view name, std::int32_t n, Pair pair_of) {
  ReportFile file(name);
  if (const int error = file.open(); error != 0) return platform_failure(name, error);
  for (std::int32_t i = 1; i <= n; ++i) {
    const auto [lower, upper] = pair_of(i);
    file.line(lower, upper);
  }
  file.flush();
  return file.error() == 0 ? Outcome{} : platform_failure(name, file.error());
}

}  // namespace

Outcome read_continuation_file(SearchState& state) {
  std::string content;
  if (const int error = files::read_whole(text::continuation_file_name, content); error != 0) {
    return platform_failure(text::continuation_file_name, error);
  }
  return read_bounds(content, state);
}

Outcome write_continuation_files(SearchState& state, const Row& best) {
  const std::int32_t n = state.variable_count;
  for (std::int32_t i = 1; i <= n; ++i) {
    state.upper_bound[i] = (best[i] + 1) * state.range_scale[i];
    state.lower_bound[i] = (best[i] - 1) * state.range_scale[i];
  }
  const Outcome written = write_pairs(text::continuation_file_name, n, [&](std::int32_t i) {
    return std::pair{state.range_centre[i] + state.lower_bound[i],
                     state.range_centre[i] + state.upper_bound[i]};
  });
  if (!written.ok()) return written;
  return write_pairs(text::continuation_companion_file_name, n, [&](std::int32_t i) {
    return std::pair{state.real_lower_bound[i], state.real_upper_bound[i]};
  });
}

}  // namespace genopt
