#include <gtest/gtest.h>

#include "support/line_ends.h"

namespace genopt::test_support {

std::string with_lf_line_ends(std::string_view written) {
  std::string text;
  text.reserve(written.size());
  for (std::size_t at = 0; at < written.size(); ++at) {
    const char byte = written[at];
    if (byte == '\r' && at + 1 < written.size() && written[at + 1] == '\n') continue;
    if (byte == '\n' && (at == 0 || written[at - 1] != '\r')) {
      ADD_FAILURE() << "a line ends in a bare LF at byte " << at << " of:\n" << written;
      return std::string(written);
    }
    text += byte;
  }
  return text;
}

}  // namespace genopt::test_support
