#pragma once
// Expected file text written readably in UTF-8 and turned into CP1251 bytes
// at run time, independently of the program's own compile-time conversion.

#include <stdexcept>
#include <string>
#include <string_view>

namespace genopt::test_support {

inline std::string cp1251_of(std::string_view utf8) {
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++at;
      continue;
    }
    if (utf8.substr(at, 3) == "№") {
      out += '\xB9';
      at += 3;
      continue;
    }
    if ((lead & 0xE0) != 0xC0) throw std::invalid_argument("not a two-byte character");
    const unsigned code =
        ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[at + 1]) & 0x3Fu);
    at += 2;
    if (code >= 0x410 && code <= 0x44F) {
      out += static_cast<char>(code - 0x410 + 0xC0);
    } else if (code == 0xA0) {
      out += '\xA0';
    } else {
      throw std::invalid_argument("no CP1251 code in this helper");
    }
  }
  return out;
}

}  // namespace genopt::test_support
