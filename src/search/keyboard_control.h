#pragma once
// The operator's keys during the search loop: the space pauses, "9" divides
// and "8" multiplies the search scale by 10, "1" ends the search.

#include <cstdint>

#include "platform/console.h"
#include "state/search_state.h"

namespace genopt {

enum class KeyAnswer : std::int16_t { none = 0, stop = 1, pause = 2, multiply = 8, divide = 9 };

// What a key (a character code, or -1 for none) asks for; other keys ask for nothing.
KeyAnswer answer_of_key(int key);

// Does what the answer asks: the space's pause reads a line, a scale key
// changes search_scale and shows the new scale. True when the operator asked
// to end the search.
bool act_on_key(KeyAnswer answer, SearchState& state, Console& console);

// Takes at most one waiting key and acts on it.
inline bool stop_requested(SearchState& state, Console& console) {
  return act_on_key(answer_of_key(console.poll_key()), state, console);
}

}  // namespace genopt
