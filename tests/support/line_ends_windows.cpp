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

namespace {

// The code point of one CP866 byte, or 0 where the console writes none.
char32_t from_cp866(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte <= 0x9F) return 0x0410 + (byte - 0x80);                  // А..Я
  if (byte <= 0xAF) return 0x0430 + (byte - 0xA0);                  // а..п
  if (byte >= 0xE0 && byte <= 0xEF) return 0x0440 + (byte - 0xE0);  // р..я
  switch (byte) {
    case 0xF0:
      return 0x0401;  // Ё
    case 0xF1:
      return 0x0451;  // ё
    case 0xFC:
      return 0x2116;  // №
    case 0xFF:
      return 0x00A0;  // no-break space
  }
  return 0;
}

void append_utf8(std::string& text, char32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string console_text(std::string_view shown) {
  const std::string lines = with_lf_line_ends(shown);
  std::string text;
  for (const char byte : lines) {
    const char32_t code = from_cp866(static_cast<unsigned char>(byte));
    if (code == 0) {
      ADD_FAILURE() << "a console byte of no known character: "
                    << static_cast<int>(static_cast<unsigned char>(byte));
      return lines;
    }
    append_utf8(text, code);
  }
  return text;
}

}  // namespace genopt::test_support
