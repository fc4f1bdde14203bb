#include "text/free_format_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace genopt {
namespace {

using Outcome = ReadOutcome;

std::string text_of(const TextField& field) { return std::string(field.begin(), field.end()); }

std::string padded(std::string_view text) {
  std::string result(text);
  result.resize(20, ' ');
  return result;
}

struct TokenCase {
  std::string_view token;
  std::optional<double> real;           // empty: not a real
  std::optional<std::int32_t> integer;  // empty: not an integer
};

TEST(FreeFormatReader, TokensAreReadAsRealsAndIntegersOnlyInTheirOwnForms) {
  constexpr double inf = std::numeric_limits<double>::infinity();
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  const TokenCase cases[] = {
      {"0", 0.0, 0},
      {"5", 5.0, 5},
      {"+7", 7.0, 7},
      {"-0", -0.0, 0},
      {"-1.5", -1.5, {}},
      {".5", 0.5, {}},
      {"5.", 5.0, {}},
      {"0.1", 0.1, {}},
      {"2.5E-3", 2.5e-3, {}},
      {"2.5e+01", 25.0, {}},
      {"1D2", 100.0, {}},
      {"-1.5D0", -1.5, {}},
      {"3d-1", 0.3, {}},
      {"1.00000000000000000000000000000000000000000000000000000000000000000000000001D0", 1.0, {}},
      {"1.0", 1.0, {}},
      {"1e2", 100.0, {}},
      {"1.7976931348623157e308", 1.7976931348623157e308, {}},
      {"4.9e-324", 4.9e-324, {}},
      {"1e-400", 0.0, {}},
      {"-1e-400", -0.0, {}},
      {"0.0000000000000000000000001e-400", 0.0, {}},
      {"inf", inf, {}},
      {"-Infinity", -inf, {}},
      {"NaN", nan, {}},
      {"2147483647", 2147483647.0, 2147483647},
      {"-2147483648", -2147483648.0, std::numeric_limits<std::int32_t>::min()},
      {"2147483648", 2147483648.0, {}},
      {"-2147483649", -2147483649.0, {}},
      {"1e400", {}, {}},
      {"-1D999", {}, {}},
      {"100000000000000000000000000000000000000000e300", {}, {}},
      {"1e99999999999999999999", {}, {}},
      {"", {}, {}},
      {"+", {}, {}},
      {"-", {}, {}},
      {".", {}, {}},
      {"+-5", {}, {}},
      {"abc", {}, {}},
      {"12a", {}, {}},
      {"1.2.3", {}, {}},
      {"1e", {}, {}},
      {"1e+", {}, {}},
      {"e5", {}, {}},
      {"0x10", {}, {}},
      {"nan(1)", {}, {}},
      {"infin", {}, {}},
      {"1.5'", {}, {}},
  };
  for (const TokenCase& c : cases) {
    SCOPED_TRACE(c.token);
    double real = 42.0;
    ASSERT_EQ(parse_real(c.token, real), c.real.has_value());
    if (!c.real) {
      EXPECT_EQ(real, 42.0);  // a failed parse leaves the value alone
    } else if (std::isnan(*c.real)) {
      EXPECT_TRUE(std::isnan(real));
    } else {
      EXPECT_EQ(real, *c.real);
      EXPECT_EQ(std::signbit(real), std::signbit(*c.real));
    }
    std::int32_t integer = 42;
    ASSERT_EQ(parse_integer(c.token, integer), c.integer.has_value());
    EXPECT_EQ(integer, c.integer.value_or(42));
  }
}

TEST(FreeFormatReader, ErrorStoresNothingFromItsItemOnAndDropsItsLine) {
  FreeFormatReader reader("1 x 5\n7 8\n");
  std::int32_t a = -1, b = -1, c = -1;
  EXPECT_EQ(reader.read(a, b, c), Outcome::error);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, -1);
  EXPECT_EQ(reader.read(a, b), Outcome::ok);
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, 8);
}

// The model's answer in the work file: a lone real is the objective, a real
// and an integer a constraint value; nothing after them matters.
TEST(FreeFormatReader, ModelAnswerIsOneRealThenOneIntegerFromTheStart) {
  struct Case {
    std::string_view content;
    Outcome outcome;
    double value;
    std::int32_t index;
  };
  const Case cases[] = {
      {"3.5", Outcome::end_of_file, 3.5, -9},
      {"  -2.5E+00\n\n\n", Outcome::end_of_file, -2.5, -9},
      {"3.5 7", Outcome::ok, 3.5, 7},
      {"   1.00000000000000E+00\n  12\n", Outcome::ok, 1.0, 12},
      {"2.0 5\nextra lines\nabc\n", Outcome::ok, 2.0, 5},
      {"", Outcome::end_of_file, -9.0, -9},
      {"\n \n", Outcome::end_of_file, -9.0, -9},
      {"abc", Outcome::error, -9.0, -9},
      {"1.5 2.5", Outcome::error, 1.5, -9},
      {"1.5 99999999999", Outcome::error, 1.5, -9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    FreeFormatReader reader(c.content);
    double value = -9.0;
    std::int32_t index = -9;
    EXPECT_EQ(reader.read(value, index), c.outcome);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(index, c.index);
  }
}

// Reads one value a read until a read is not ok, as the start-point and
// integer-flags files are read.
template <class Value>
std::pair<std::vector<Value>, Outcome> read_one_per_line(std::string_view content) {
  FreeFormatReader reader(content);
  std::vector<Value> values;
  for (;;) {
    Value value{};
    const Outcome outcome = reader.read(value);
    if (outcome != Outcome::ok) return {values, outcome};
    values.push_back(value);
  }
}

TEST(FreeFormatReader, OneValueALineSkipsBlankLinesAndDropsTheRest) {
  EXPECT_EQ(read_one_per_line<double>("1.5 9\n\n  2\n \t\n3e0, 4\n0,5\n\n\n"),
            std::make_pair(std::vector<double>{1.5, 2.0, 3.0, 0.0}, Outcome::end_of_file));
  EXPECT_EQ(read_one_per_line<std::int32_t>("0\r\n1\r\n\r\n1 5\r\n0\r\n\r\n"),
            std::make_pair(std::vector<std::int32_t>{0, 1, 1, 0}, Outcome::end_of_file));
  EXPECT_EQ(read_one_per_line<std::int32_t>("0\n1\n1.0\n0\n"),
            std::make_pair(std::vector<std::int32_t>{0, 1}, Outcome::error));
  EXPECT_EQ(read_one_per_line<double>("1\n2\n3\nend\n"),
            std::make_pair(std::vector<double>{1.0, 2.0, 3.0}, Outcome::error));
}

TEST(FreeFormatReader, SlashEndsTheReadAndKeepsTheItemsNotRead) {
  FreeFormatReader reader("1 / 2\n5/6\n/\n8 9\n'a/b' c/d 4\n");
  std::int32_t a = -1, b = -1, c = -1;
  EXPECT_EQ(reader.read(a, b, c), Outcome::ok);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(c, -1);
  EXPECT_EQ(reader.read(a, b), Outcome::ok);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(b, -1);
  EXPECT_EQ(reader.read(a, b), Outcome::ok);  // a slash alone on its line
  EXPECT_EQ(a, 5);
  EXPECT_EQ(reader.read(a, b), Outcome::ok);
  EXPECT_EQ(a, 8);
  EXPECT_EQ(b, 9);
  TextField quoted, bare;
  EXPECT_EQ(reader.read(quoted, bare, c), Outcome::ok);
  EXPECT_EQ(text_of(quoted), padded("a/b"));
  EXPECT_EQ(text_of(bare), padded("c"));
  EXPECT_EQ(c, -1);
}

TEST(FreeFormatReader, TextItemIsQuotedOrBareAndCutAtTwentyCharacters) {
  struct Case {
    std::string_view content;
    std::string text;
  };
  const Case cases[] = {
      {"'Beam design' rest", padded("Beam design")},
      {"\"a, b\"", padded("a, b")},
      {"'It''s'", padded("It's")},
      {"\"say \"\"hi\"\"\"", padded("say \"hi\"")},
      {"\"it's\"", padded("it's")},
      {"''", padded("")},
      {"'unclosed text\nnext", padded("unclosed text")},
      {"'unclosed\r\n", padded("unclosed")},
      {"bare,text", padded("bare")},
      {"bare/text", padded("bare")},
      {"\tbare\ttext", padded("bare")},
      {"-1.5e", padded("-1.5e")},
      {"123456789012345678901234", "12345678901234567890"},
      {"'12345678901234567890''x'", "12345678901234567890"},
      {"\xC7\xE0\xE4\xE0\xF7\xE0 1", padded("\xC7\xE0\xE4\xE0\xF7\xE0")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    FreeFormatReader reader(c.content);
    TextField field;
    field.fill('#');
    EXPECT_EQ(reader.read(field), Outcome::ok);
    EXPECT_EQ(text_of(field), c.text);
  }
}

TEST(FreeFormatReader, UnclosedQuoteEndsAtTheLineEnd) {
  FreeFormatReader reader("'open, 5\n7\n");
  TextField text;
  std::int32_t next = -1;
  EXPECT_EQ(reader.read(text, next), Outcome::ok);
  EXPECT_EQ(text_of(text), padded("open, 5"));
  EXPECT_EQ(next, 7);
}

}  // namespace
}  // namespace genopt
