#include "report/row_listing.h"

#include "text/messages.h"

namespace genopt {

namespace {

double printed_coordinate(const SearchState& state, double value, std::int32_t i) {
  if (state.coordinate_print_mode == 0) {
    return (value - state.lower_bound[i]) / (state.upper_bound[i] - state.lower_bound[i]);
  }
  return state.relative_mode == 1 ? value * state.range_scale[i] : value;
}

}  // namespace

void write_row_listing(ReportFile& file, const SearchState& state, const Table& table,
                       std::int32_t rows, const RowListingLabels& labels) {
  const std::int32_t n = state.variable_count;
  const bool coordinates = state.coordinate_print_mode == 0 || state.coordinate_print_mode == 1;
  for (std::int32_t k = 1; k <= rows; ++k) {
    file.line(k, labels.objective, table[k][n + 1]);
    file.line(text::file::coordinates_heading);
    if (!coordinates) continue;
    for (std::int32_t i = 1; i <= n; ++i) {
      file.line(i, labels.coordinate, printed_coordinate(state, table[k][i], i));
    }
  }
}

}  // namespace genopt
