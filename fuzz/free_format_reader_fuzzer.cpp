// Fuzzes the free-format reader. The first two bytes choose four reads of
// four bits each, repeated until the content ends; the rest is the content.
// Besides the sanitizers, it traps when a read breaks what the reader promises.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>
#include <string_view>

#include "text/free_format_reader.h"

namespace {

using genopt::FreeFormatReader;
using genopt::ReadOutcome;
using genopt::TextField;

void check(bool holds) {
  if (!holds) __builtin_trap();
}

// Values no read can store: a NaN payload the conversions never make, and a
// text of control characters, which a read only stores when the content has them.
constexpr std::uint64_t real_marker = 0x7ff8'0000'dead'beefULL;
constexpr std::int32_t integer_marker = -2'000'000'001;
constexpr char text_marker = '\x01';

struct Real {
  double value;
  Real() { std::memcpy(&value, &real_marker, sizeof value); }
  bool untouched() const {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == real_marker;
  }
};
struct Integer {
  std::int32_t value = integer_marker;
  bool untouched() const { return value == integer_marker; }
};
struct Text {
  TextField value;
  Text() { value.fill(text_marker); }
  bool untouched() const {
    for (char c : value) {
      if (c != text_marker) return false;
    }
    return true;
  }
};

// One read of the given items, then what every read must keep: it stores a
// prefix of its items and leaves the rest as they were; a read that ends
// early on success met a slash.
template <class... Items>
ReadOutcome checked_read(FreeFormatReader& reader, std::string_view content, Items... items) {
  const ReadOutcome outcome = reader.read(items.value...);
  const std::size_t stored = reader.stored_count();
  constexpr std::size_t count = sizeof...(Items);
  check(stored <= count);
  if (outcome != ReadOutcome::ok) check(stored < count);
  if (outcome == ReadOutcome::ok && stored < count) {
    check(content.find('/') != std::string_view::npos);
  }
  std::size_t index = 0;
  ((check(index++ < stored || items.untouched())), ...);
  return outcome;
}

ReadOutcome checked_read_reals(FreeFormatReader& reader, std::string_view content,
                               std::size_t count) {
  std::array<Real, 500> values;
  const ReadOutcome outcome = reader.read_reals(&values[0].value, count);
  const std::size_t stored = reader.stored_count();
  check(stored <= count);
  if (outcome != ReadOutcome::ok) check(stored < count);
  if (outcome == ReadOutcome::ok && stored < count) {
    check(content.find('/') != std::string_view::npos);
  }
  for (std::size_t i = stored; i < values.size(); ++i) check(values[i].untouched());
  return outcome;
}

// The reads of the input files, the answer and a few more mixtures.
ReadOutcome read_step(FreeFormatReader& reader, std::string_view content, unsigned step) {
  static constexpr std::array<std::size_t, 8> real_counts{1, 2, 3, 5, 8, 13, 50, 500};
  switch (step) {
    case 0:
      return checked_read(reader, content, Real{});
    case 1:
      return checked_read(reader, content, Integer{});
    case 2:
      return checked_read(reader, content, Text{});
    case 3:
      return checked_read(reader, content, Real{}, Real{});
    case 4:
      return checked_read(reader, content, Integer{}, Integer{});
    case 5:
      return checked_read(reader, content, Real{}, Integer{});
    case 6:
      return checked_read(reader, content, Text{}, Integer{}, Real{});
    case 7:
      return checked_read(reader, content, Integer{}, Text{}, Real{}, Integer{});
    default:
      return checked_read_reals(reader, content, real_counts[step - 8]);
  }
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A second reading of the grammar: a regular expression, and C's strtod for
// the value. Only an overflow may match the grammar and still be refused.
void check_against_strtod(std::string_view token, bool is_real, double real) {
  if (token.size() > 64) return;  // std::regex recurses once a character
  static const std::regex grammar(
      R"([+-]?(([0-9]+\.?[0-9]*|\.[0-9]+)([EeDd][+-]?[0-9]+)?|[Ii][Nn][Ff]([Ii][Nn][Ii][Tt][Yy])?|[Nn][Aa][Nn]))");
  std::string text(token);
  if (!std::regex_match(text, grammar)) {
    check(!is_real);
    return;
  }
  for (char& c : text) {
    if (c == 'D' || c == 'd') c = 'e';
  }
  const double expected = std::strtod(text.c_str(), nullptr);
  if (!is_real) {
    check(std::isinf(expected));
    return;
  }
  check(same_bits(real, expected) || (real != real && expected != expected));
}

// The two parsers on one token: the sign, the exponent letter and the integer
// form must agree with each other.
void check_parsers(std::string_view token) {
  double real = 0.0;
  const bool is_real = genopt::parse_real(token, real);
  std::int32_t integer = 0;
  const bool is_integer = genopt::parse_integer(token, integer);
  check_against_strtod(token, is_real, real);
  if (is_integer) {
    check(is_real);
    check(real == static_cast<double>(integer));
  }

  std::string other(token);
  for (char& c : other) {
    if (c == 'e' || c == 'E') c = 'D';
  }
  double with_d = 0.0;
  check(genopt::parse_real(other, with_d) == is_real);
  if (is_real) check(same_bits(with_d, real) || (real != real && with_d != with_d));

  if (token.empty() || token.front() == '+' || token.front() == '-') return;
  double plus = 0.0;
  check(genopt::parse_real("+" + std::string(token), plus) == is_real);
  if (is_real) check(same_bits(plus, real) || (real != real && plus != plus));
  double minus = 0.0;
  check(genopt::parse_real("-" + std::string(token), minus) == is_real);
  if (is_real && real == real) check(same_bits(minus, -real));
  if (is_real && real != real) check(minus != minus);
  std::int32_t negative = 0;
  if (is_integer) {
    check(genopt::parse_integer("-" + std::string(token), negative));
    check(negative == -integer);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned steps = static_cast<unsigned>(data[0]) << 8 | data[1];
  const std::string_view content(reinterpret_cast<const char*>(data + 2), size - 2);

  // Every read that does not meet the end moves on by at least one character, so
  // the end must come within one read per character.
  FreeFormatReader reader(content);
  bool ended = false;
  for (std::size_t read = 0; read <= content.size() + 1 && !ended; ++read) {
    const unsigned step = steps >> (4 * (read % 4)) & 0xF;
    ended = read_step(reader, content, step) == ReadOutcome::end_of_file;
  }
  check(ended);

  // The first token as the reader cuts it, and the whole content as one token.
  const std::size_t start = content.find_first_not_of(" \t\r\n,");
  if (start != std::string_view::npos) {
    const std::size_t end = content.find_first_of(" \t\r\n,/", start);
    check_parsers(content.substr(start, end == std::string_view::npos ? end : end - start));
  }
  check_parsers(content);
  return 0;
}
