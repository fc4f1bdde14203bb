#pragma once
// The platform's half of reading an input file, shared by the readers of files.h.

#include <cstddef>
#include <string>
#include <string_view>

namespace genopt::files {

// Reads the file into `content` until its end or until more than `limit`
// bytes are held, then keeps `limit` bytes and sets `beyond`. A directory,
// pipe or socket of that name is refused. 0 or the error number.
int read_limited(std::string_view name, std::string& content, std::size_t limit, bool& beyond);

}  // namespace genopt::files
