#pragma once
// The listing of rows of a table used by the warm-up listing and the traces:
// for each row its objective line, the coordinates heading, and one line a
// coordinate, printed as coordinate_print_mode says.

#include <cstdint>
#include <string_view>

#include "report/report_file.h"
#include "state/search_state.h"

namespace genopt {

struct RowListingLabels {
  std::string_view objective;   // after the row number, before the stored objective
  std::string_view coordinate;  // after the variable number, before the value
};

// Rows 1..rows of `table`. Mode 1: the value, times range_scale in the
// relative mode; mode 0: its fraction of the range; any other mode: no
// coordinate lines.
void write_row_listing(ReportFile& file, const SearchState& state, const Table& table,
                       std::int32_t rows, const RowListingLabels& labels);

}  // namespace genopt
