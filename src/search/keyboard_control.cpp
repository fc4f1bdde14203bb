#include "search/keyboard_control.h"

#include "text/messages.h"

namespace genopt {

KeyAnswer answer_of_key(int key) {
  switch (key) {
    case ' ':
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

bool act_on_key(KeyAnswer answer, SearchState& state, Console& console) {
  switch (answer) {
    case KeyAnswer::pause:
      console.wait_for_line();
      return false;
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
    case KeyAnswer::none:
      return false;
  }
  return false;
}

}  // namespace genopt
