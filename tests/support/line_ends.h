#pragma once
// Text files that the programs write end their lines as the platform does:
// LF on POSIX, CR LF on Windows. Tests hold the expected text with LF.

#include <string>
#include <string_view>

namespace genopt::test_support {

// `written` with its line ends as LF. A line end other than the platform's
// fails the calling test, so a file with the wrong line ends cannot match.
std::string with_lf_line_ends(std::string_view written);

// What the program showed on a console that is a file or a pipe, as UTF-8
// text with LF line ends: POSIX shows UTF-8 as it stands; Windows shows the
// DOS Cyrillic code page with CR LF. A byte of no known character fails the
// calling test.
std::string console_text(std::string_view shown);

}  // namespace genopt::test_support
