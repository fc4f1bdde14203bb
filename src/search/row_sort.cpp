#include "search/row_sort.h"

namespace genopt {

void sort_rows(Table& table, std::int32_t rows, std::int32_t variable_count, Row& swap_row) {
  const std::int32_t objective = variable_count + 1;
  for (std::int32_t pass = 1; pass <= rows - 1; ++pass) {
    for (std::int32_t j = 1; j <= rows - pass; ++j) {
      if (!(table[j][objective] > table[j + 1][objective])) continue;
      copy_row(table[j], swap_row, variable_count);
      copy_row(table[j + 1], table[j], variable_count);
      copy_row(swap_row, table[j + 1], variable_count);
    }
  }
}

}  // namespace genopt
