#include "text/free_format_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <system_error>

namespace genopt {
namespace {

bool is_separator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ','; }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_exponent_mark(char c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The conversions take '-' but not '+'.
std::string_view without_plus(std::string_view token) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  return token;
}

std::string_view without_sign(std::string_view token) {
  if (!token.empty() && (token.front() == '+' || token.front() == '-')) token.remove_prefix(1);
  return token;
}

std::size_t skip_digits(std::string_view text, std::size_t at) {
  while (at < text.size() && is_digit(text[at])) ++at;
  return at;
}

// Digits with an optional decimal point (at least one digit), then an optional
// exponent with an optional sign and at least one digit.
bool is_decimal_real(std::string_view magnitude) {
  std::size_t at = skip_digits(magnitude, 0);
  std::size_t digit_count = at;
  if (at < magnitude.size() && magnitude[at] == '.') {
    const std::size_t fraction_start = at + 1;
    at = skip_digits(magnitude, fraction_start);
    digit_count += at - fraction_start;
  }
  if (digit_count == 0) return false;
  if (at == magnitude.size()) return true;
  if (!is_exponent_mark(magnitude[at])) return false;
  ++at;
  if (at < magnitude.size() && (magnitude[at] == '+' || magnitude[at] == '-')) ++at;
  const std::size_t exponent_start = at;
  at = skip_digits(magnitude, exponent_start);
  return at > exponent_start && at == magnitude.size();
}

// Models may answer infinities and NaNs; the words are taken in any case.
bool is_infinity_or_nan(std::string_view magnitude) {
  std::array<char, 8> lower{};
  if (magnitude.size() > lower.size()) return false;
  std::transform(magnitude.begin(), magnitude.end(), lower.begin(), ascii_lower);
  const std::string_view word(lower.data(), magnitude.size());
  return word == "inf" || word == "infinity" || word == "nan";
}

// For a decimal number beyond the double range, tells overflow from underflow:
// the place of its first significant digit, moved by the exponent, lies far
// above the units place for a too large value and far below it for a too small one.
bool is_too_large(std::string_view magnitude) {
  const std::size_t mark = magnitude.find_first_of("EeDd");
  const std::string_view mantissa = magnitude.substr(0, mark);
  const auto point = static_cast<long long>(std::min(mantissa.find('.'), mantissa.size()));
  const auto first = static_cast<long long>(mantissa.find_first_not_of("0."));
  const long long place = first < point ? point - first : point - first + 1;
  if (mark == std::string_view::npos) return place > 0;

  std::string_view exponent = magnitude.substr(mark + 1);
  const bool negative = exponent.front() == '-';
  exponent = without_sign(exponent);
  constexpr long long decisive_exponent = 1'000'000'000;  // beyond any mantissa held in memory
  long long shift = 0;
  const auto [end, ec] = std::from_chars(exponent.data(), exponent.data() + exponent.size(), shift);
  if (ec != std::errc{} || shift > decisive_exponent) return !negative;
  return place + (negative ? -shift : shift) > 0;
}

// Converts a checked real; the conversion knows only 'e' as exponent mark.
bool convert_real(std::string_view signed_text, double& value) {
  std::array<char, 64> local;
  std::string long_copy;
  char* copy = local.data();
  if (signed_text.size() > local.size()) {
    long_copy.resize(signed_text.size());
    copy = long_copy.data();
  }
  std::replace_copy_if(
      signed_text.begin(), signed_text.end(), copy, [](char c) { return c == 'D' || c == 'd'; },
      'e');
  const char* end = copy + signed_text.size();
  const auto [last, ec] = std::from_chars(copy, end, value);
  return ec == std::errc{} && last == end;
}

// Where the next item begins: the first character that is not a separator.
std::size_t find_item_start(std::string_view content, std::size_t from) {
  while (from < content.size() && is_separator(content[from])) ++from;
  return from;
}

// One past the last character of the bare token that starts at `from`.
std::size_t find_token_end(std::string_view content, std::size_t from) {
  while (from < content.size() && !is_separator(content[from]) && content[from] != '/') ++from;
  return from;
}

void store_text(std::string_view text, TextField& field) {
  field.fill(' ');
  std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
}

// Reads a quoted text whose opening quote stands at `open`; returns the
// position after its closing quote, or its line end when it is not closed.
std::size_t read_quoted_text(std::string_view content, std::size_t open, TextField& field) {
  const char quote = content[open];
  field.fill(' ');
  std::size_t length = 0;
  std::size_t at = open + 1;
  for (; at < content.size() && content[at] != '\n' && content[at] != '\r'; ++at) {
    if (content[at] == quote) {
      const bool doubled = at + 1 < content.size() && content[at + 1] == quote;
      if (!doubled) return at + 1;
      ++at;  // a doubled quote stands for one
    }
    if (length < field.size()) field[length++] = content[at];
  }
  return at;
}

bool parse_token(std::string_view token, double& value) { return parse_real(token, value); }
bool parse_token(std::string_view token, std::int32_t& value) {
  return parse_integer(token, value);
}

// The position is left on a slash, not after it, so that the rest of the
// slash's line is dropped with the read.
template <class Number>
ReadOutcome read_number(std::string_view content, std::size_t& position, bool& slash_seen,
                        Number& value) {
  position = find_item_start(content, position);
  if (position == content.size()) return ReadOutcome::end_of_file;
  if (content[position] == '/') {
    slash_seen = true;
    return ReadOutcome::ok;
  }
  const std::size_t start = position;
  position = find_token_end(content, start);
  return parse_token(content.substr(start, position - start), value) ? ReadOutcome::ok
                                                                     : ReadOutcome::error;
}

}  // namespace

bool parse_real(std::string_view token, double& value) {
  const std::string_view magnitude = without_sign(token);
  if (!is_decimal_real(magnitude) && !is_infinity_or_nan(magnitude)) return false;

  double parsed = 0.0;
  if (convert_real(without_plus(token), parsed)) {
    value = parsed;
    return true;
  }
  // The grammar is checked, so a failed conversion is out of range: an
  // overflow is an error, an underflow is a zero of the token's sign.
  if (is_too_large(magnitude)) return false;
  value = token.front() == '-' ? -0.0 : 0.0;
  return true;
}

bool parse_integer(std::string_view token, std::int32_t& value) {
  const std::string_view digits = without_sign(token);
  if (digits.empty() || skip_digits(digits, 0) != digits.size()) return false;
  const std::string_view text = without_plus(token);
  std::int32_t parsed = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (ec != std::errc{} || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

ReadOutcome FreeFormatReader::read_item(double& value) {
  return read_number(content_, position_, slash_seen_, value);
}

ReadOutcome FreeFormatReader::read_item(std::int32_t& value) {
  return read_number(content_, position_, slash_seen_, value);
}

ReadOutcome FreeFormatReader::read_item(TextField& value) {
  position_ = find_item_start(content_, position_);
  if (position_ == content_.size()) return ReadOutcome::end_of_file;
  const char first = content_[position_];
  if (first == '/') {
    slash_seen_ = true;
  } else if (first == '\'' || first == '"') {
    position_ = read_quoted_text(content_, position_, value);
  } else {
    const std::size_t start = position_;
    position_ = find_token_end(content_, start);
    store_text(content_.substr(start, position_ - start), value);
  }
  return ReadOutcome::ok;
}

ReadOutcome FreeFormatReader::read_reals(double* values, std::size_t count) {
  start_read();
  ReadOutcome outcome = ReadOutcome::ok;
  for (std::size_t i = 0; i < count && outcome == ReadOutcome::ok && !slash_seen_; ++i) {
    outcome = read_next(values[i]);
  }
  finish_read();
  return outcome;
}

void FreeFormatReader::start_read() {
  slash_seen_ = false;
  stored_count_ = 0;
}

// The read's last item, slash or error stands on the line that holds the
// position; the next read starts on the line after it.
void FreeFormatReader::finish_read() {
  const std::size_t line_end = content_.find('\n', position_);
  position_ = line_end == std::string_view::npos ? content_.size() : line_end + 1;
}

}  // namespace genopt
