#pragma once
// The operator's keys during the search loop: the space pauses, "9" divides
// and "8" multiplies the search scale by 10, "1" ends the search.

#include <cstdint>

#include "platform/console.h"
#include "state/search_state.h"

namespace genopt {

enum class KeyAnswer : std::int16_t { none = 0, stop = 1, pause = 2, multiply = 8, divide = 9 };

// Takes at most one waiting key; the space's pause happens inside the poll.
KeyAnswer poll_keyboard(Console& console);

// Polls and acts: a scale key changes search_scale and shows the new scale.
// True when the operator asked to end the search.
bool stop_requested(SearchState& state, Console& console);

}  // namespace genopt
