#include "text/free_format_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "text/code_page.h"

namespace genopt {
namespace {

constexpr std::size_t line_capacity = 80;  // characters a line may hold
constexpr std::size_t integer_width = 12;

// The general form of one floating type: fixed notation while the value, rounded to
// `digits` significant digits, lies in [0.1, 10^digits); exponent notation otherwise.
struct RealLayout {
  std::size_t width;            // the whole field
  int digits;                   // significant digits of the fixed notation
  std::size_t exponent_digits;  // digits after "E+" in the exponent notation
  // The fixed notation and the words Infinity and NaN leave blank the places where
  // "E+" and the exponent digits would stand, so that all forms line up.
  std::size_t trailing_blanks() const { return exponent_digits + 2; }
};

constexpr RealLayout double_layout{24, 15, 3};

bool is_utf8_continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

std::size_t character_count(std::string_view text, Encoding encoding) {
  if (encoding == Encoding::cp1251) return text.size();
  return static_cast<std::size_t>(std::count_if(
      text.begin(), text.end(), [](char byte) { return !is_utf8_continuation(byte); }));
}

// The bytes of at most `limit` leading characters of `text`; a UTF-8 code point is
// never cut.
std::size_t leading_bytes(std::string_view text, std::size_t limit, Encoding encoding) {
  if (encoding == Encoding::cp1251) return std::min(limit, text.size());
  std::size_t at = 0;
  for (std::size_t characters = 0; at < text.size() && characters < limit; ++characters) {
    ++at;
    while (at < text.size() && is_utf8_continuation(text[at])) ++at;
  }
  return at;
}

// Appends `text` to the current line, ending the line each time it is full. A line is
// ended only when a further character needs room, so no empty line is ever left.
void append_cut_at_line_ends(std::string& out, std::size_t& line_length, std::string_view text,
                             Encoding encoding) {
  while (!text.empty()) {
    if (line_length == line_capacity) {
      out += '\n';
      line_length = 0;
    }
    const std::size_t bytes = leading_bytes(text, line_capacity - line_length, encoding);
    const std::string_view piece = text.substr(0, bytes);
    out += piece;
    line_length += character_count(piece, encoding);
    text.remove_prefix(bytes);
  }
}

// Writes `body` right-aligned in `width`, with `trailing_blanks` blanks after it.
std::string_view right_align(std::string_view body, std::size_t width, std::size_t trailing_blanks,
                             char (&buffer)[32]) {
  const std::size_t leading_blanks = width - trailing_blanks - body.size();
  std::fill_n(buffer, leading_blanks, ' ');
  std::copy(body.begin(), body.end(), buffer + leading_blanks);
  std::fill_n(buffer + leading_blanks + body.size(), trailing_blanks, ' ');
  return {buffer, width};
}

// The decimal exponent of `value` once rounded to `digits` significant digits: a value
// that rounds up to the next power of ten takes that power's exponent.
int rounded_decimal_exponent(double value, int digits) {
  char text[32];
  const auto written =
      std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, digits - 1);
  const char* exponent = std::find(text, written.ptr, 'e') + 1;
  if (*exponent == '+') ++exponent;
  int decimal_exponent = 0;
  std::from_chars(exponent, written.ptr, decimal_exponent);
  return decimal_exponent;
}

// "d.ddd…E±xx": one digit more than the fixed notation shows, as the exponent
// notation always has `digits` places after the point.
std::size_t write_exponent_notation(double value, const RealLayout& layout, char* body) {
  char text[32];
  const auto written =
      std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, layout.digits);
  const char* const begin = text;
  const char* const end = written.ptr;
  const char* const e = std::find(begin, end, 'e');
  char* at = std::copy(begin, e, body);
  *at++ = 'E';
  *at++ = e[1];  // the sign
  const char* const exponent = e + 2;
  at = std::fill_n(at, layout.exponent_digits - static_cast<std::size_t>(end - exponent), '0');
  at = std::copy(exponent, end, at);
  return static_cast<std::size_t>(at - body);
}

std::size_t write_zero(const RealLayout& layout, char* body) {
  char* at = body;
  *at++ = '0';
  *at++ = '.';
  at = std::fill_n(at, layout.digits, '0');
  *at++ = 'E';
  *at++ = '+';
  at = std::fill_n(at, layout.exponent_digits, '0');
  return static_cast<std::size_t>(at - body);
}

// `digits` significant digits, "0.ddd" below 1 and always with a point.
std::size_t write_fixed_notation(double value, int decimal_exponent, const RealLayout& layout,
                                 char* body) {
  const int places = layout.digits - 1 - decimal_exponent;
  const auto written = std::to_chars(body, body + 31, value, std::chars_format::fixed, places);
  char* end = written.ptr;
  if (places == 0) *end++ = '.';
  return static_cast<std::size_t>(end - body);
}

std::string_view write_special(std::string_view word, const RealLayout& layout,
                               char (&buffer)[32]) {
  return right_align(word, layout.width, layout.trailing_blanks(), buffer);
}

std::string_view format_real(double value, const RealLayout& layout, char (&buffer)[32]) {
  if (std::isnan(value)) return write_special("NaN", layout, buffer);
  if (std::isinf(value)) return write_special(value < 0 ? "-Infinity" : "Infinity", layout, buffer);
  char body[32];
  // Zero, of either sign, has no decimal exponent of its own and is written unsigned.
  if (value == 0) return right_align({body, write_zero(layout, body)}, layout.width, 0, buffer);
  const int decimal_exponent = rounded_decimal_exponent(value, layout.digits);
  if (decimal_exponent < -1 || decimal_exponent >= layout.digits) {
    const std::size_t length = write_exponent_notation(value, layout, body);
    return right_align({body, length}, layout.width, 0, buffer);
  }
  const std::size_t length = write_fixed_notation(value, decimal_exponent, layout, body);
  return right_align({body, length}, layout.width, layout.trailing_blanks(), buffer);
}

void append_in_columns(std::string& out, std::int32_t value, std::size_t columns) {
  char digits[16];
  const auto written = std::to_chars(digits, digits + sizeof digits, value);
  const std::size_t length = static_cast<std::size_t>(written.ptr - digits);
  if (length > columns) {
    out.append(columns, '*');
    return;
  }
  out.append(columns - length, ' ');
  out.append(digits, length);
}

}  // namespace

FreeFormatRecord::FreeFormatRecord(std::string& out, Encoding encoding)
    : out_(out), encoding_(encoding) {}

void FreeFormatRecord::add(std::int32_t value) {
  char buffer[32];
  add_number(format_integer(value, buffer));
}

void FreeFormatRecord::add(double value) {
  char buffer[32];
  add_number(format_double(value, buffer));
}

void FreeFormatRecord::add(std::string_view text) {
  const std::size_t length = character_count(text, encoding_);
  bool needs_blank = !(has_items_ && last_was_text_);
  // Only a text that cannot stand on a line of its own is cut; it starts where it is.
  const bool fits_a_line = 1 + length <= line_capacity;
  if (fits_a_line && line_length_ + (needs_blank ? 1 : 0) + length > line_capacity) {
    start_new_line();
    needs_blank = true;
  }
  if (needs_blank) append_cut_at_line_ends(out_, line_length_, " ", encoding_);
  append_cut_at_line_ends(out_, line_length_, text, encoding_);
  has_items_ = true;
  last_was_text_ = true;
}

void FreeFormatRecord::finish() {
  if (!has_items_) out_ += ' ';
  out_ += '\n';
}

void FreeFormatRecord::add_number(std::string_view field) {
  if (line_length_ + field.size() > line_capacity) start_new_line();
  out_ += field;
  line_length_ += field.size();
  has_items_ = true;
  last_was_text_ = false;
}

void FreeFormatRecord::start_new_line() {
  out_ += '\n';
  line_length_ = 0;
}

std::string_view format_integer(std::int32_t value, char (&buffer)[32]) {
  char digits[16];
  const auto written = std::to_chars(digits, digits + sizeof digits, value);
  return right_align({digits, static_cast<std::size_t>(written.ptr - digits)}, integer_width, 0,
                     buffer);
}

std::string_view format_double(double value, char (&buffer)[32]) {
  return format_real(value, double_layout, buffer);
}

void write_constraint_tally_line(std::string& out, std::int32_t index, std::int32_t count) {
  out += text::cp1251<"ограничение № ">;
  append_in_columns(out, index, 4);
  out += " - ";
  append_in_columns(out, count, 9);
  out += text::cp1251<" нарушений">;
  out += '\n';
}

}  // namespace genopt
