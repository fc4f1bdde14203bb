#include "search/keyboard_control.h"

#include "text/messages.h"

namespace genopt {

KeyAnswer poll_keyboard(Console& console) {
  switch (console.poll_key()) {
    case ' ':
      console.wait_for_line();
      return KeyAnswer::pause;
    case '9':
      return KeyAnswer::divide;
    case '8':
      return KeyAnswer::multiply;
    case '1':
      return KeyAnswer::stop;
    default:
      return KeyAnswer::none;
  }
}

bool stop_requested(SearchState& state, Console& console) {
  switch (poll_keyboard(console)) {
    case KeyAnswer::divide:
      state.search_scale = state.search_scale * 0.1;
      console.line(text::console::scale_divided, state.search_scale);
      return false;
    case KeyAnswer::multiply:
      state.search_scale = state.search_scale * 10;
      console.line(text::console::scale_multiplied, state.search_scale);
      return false;
    case KeyAnswer::stop:
      return true;
    case KeyAnswer::pause:
    case KeyAnswer::none:
      return false;
  }
  return false;
}

}  // namespace genopt
