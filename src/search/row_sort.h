#pragma once

#include <cstdint>

#include "state/search_state.h"

namespace genopt {

// The one sort of the search: a stable bubble sort of rows 1..rows into
// ascending order of the stored objective (column N+1). Neighbours are
// exchanged whole, through swap_row, only when the first is strictly greater,
// so equal values keep their order and a NaN never moves. All passes are made.
void sort_rows(Table& table, std::int32_t rows, std::int32_t variable_count, Row& swap_row);

// Copies columns 1..N+1 of one row.
inline void copy_row(const Row& from, Row& to, std::int32_t variable_count) {
  for (std::int32_t column = 1; column <= variable_count + 1; ++column) to[column] = from[column];
}

}  // namespace genopt
