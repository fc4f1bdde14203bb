#include "support/line_ends.h"

namespace genopt::test_support {

std::string with_lf_line_ends(std::string_view written) { return std::string(written); }

std::string console_text(std::string_view shown) { return std::string(shown); }

}  // namespace genopt::test_support
