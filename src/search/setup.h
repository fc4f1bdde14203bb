#pragma once

#include "search/search_context.h"

namespace genopt {

// The first stage of a search: the relative scaling when relative_mode is 1,
// the start of the own random generator, the working counters, and the
// report files opened in their order.
Outcome set_up_search(SearchContext& context);

// In the relative mode every variable becomes a whole step number from
// -(width div 2) to +(width div 2); the real range is kept, and step s stands
// for range_centre + s * range_scale.
void apply_relative_scaling(SearchState& state);

}  // namespace genopt
