#pragma once
// File text is CP1251 while the sources are UTF-8: every Russian file text is
// converted once, at compile time, from its readable UTF-8 form.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

namespace genopt::text {

template <std::size_t Size>
struct Utf8Literal {
  char bytes[Size]{};
  consteval Utf8Literal(const char (&literal)[Size]) { std::copy_n(literal, Size, bytes); }
  consteval std::size_t length() const { return Size - 1; }  // without the closing NUL
};

namespace detail {

// Decodes the code point that starts at `at` and advances `at` past it.
consteval char32_t next_code_point(const char* bytes, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(bytes[at++]);
  if (lead < 0x80) return lead;
  int continuation = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
  char32_t code = lead & (0x3F >> continuation);
  while (continuation-- > 0) code = (code << 6) | (static_cast<unsigned char>(bytes[at++]) & 0x3F);
  return code;
}

consteval unsigned char to_cp1251(char32_t code) {
  if (code < 0x80) return static_cast<unsigned char>(code);
  if (code >= 0x0410 && code <= 0x044F) return static_cast<unsigned char>(code - 0x0410 + 0xC0);
  switch (code) {
    case 0x00A0:
      return 0xA0;  // no-break space
    case 0x0401:
      return 0xA8;  // Ё
    case 0x0451:
      return 0xB8;  // ё
    case 0x2116:
      return 0xB9;  // №
  }
  throw "character without a CP1251 code";  // stops the compilation
}

template <Utf8Literal Text>
consteval std::size_t cp1251_length() {
  std::size_t count = 0;
  for (std::size_t at = 0; at < Text.length(); ++count) next_code_point(Text.bytes, at);
  return count;
}

template <Utf8Literal Text>
consteval auto make_cp1251() {
  std::array<char, cp1251_length<Text>()> converted{};
  std::size_t at = 0;
  for (char& byte : converted) byte = static_cast<char>(to_cp1251(next_code_point(Text.bytes, at)));
  return converted;
}

template <Utf8Literal Text>
inline constexpr auto cp1251_storage = make_cp1251<Text>();

}  // namespace detail

// The CP1251 bytes of a UTF-8 literal: cp1251<"итерация">.
template <Utf8Literal Text>
inline constexpr std::string_view cp1251{detail::cp1251_storage<Text>.data(),
                                         detail::cp1251_storage<Text>.size()};

}  // namespace genopt::text
