#pragma once
// The three input files, read in this order by the run sequence: the search
// settings, the optional start point and the optional integer flags.

#include <string_view>

#include "state/search_state.h"
#include "text/outcome.h"

namespace genopt {

// Reads K, the two report periods and the bound pairs; N is the number of
// pairs. Refuses a negative K, more than 500 pairs, no pair at all, and
// 2N + K above 2000.
Outcome read_settings_file(SearchState& state);
// The same from the file's content.
Outcome take_settings(std::string_view content, SearchState& state);

// Takes the start point only when the file holds exactly N values. A
// missing file is no failure.
Outcome read_start_point_file(SearchState& state);
// The same from the file's content; N must be set.
Outcome take_start_point(std::string_view content, SearchState& state);

// Takes the flags only when the file holds exactly N values, each 0 or 1;
// otherwise every variable is continuous. A missing file is no failure.
Outcome read_integer_flags_file(SearchState& state);
// The same from the file's content; N must be set.
Outcome take_integer_flags(std::string_view content, SearchState& state);

}  // namespace genopt
