#pragma once
// Text files that the programs write end their lines as the platform does:
// LF on POSIX, CR LF on Windows. Tests hold the expected text with LF.

#include <string>
#include <string_view>

namespace genopt::test_support {

// `written` with its line ends as LF. A line end other than the platform's
// fails the calling test, so a file with the wrong line ends cannot match.
std::string with_lf_line_ends(std::string_view written);

}  // namespace genopt::test_support
