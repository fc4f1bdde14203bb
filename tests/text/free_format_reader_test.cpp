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

TEST(FreeFormat, TokensAreReadAsRealsAndIntegersOnlyInTheirOwnForms) {
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

// The search settings file as the driver reads it: a text, K, the two report
// periods, then pairs of bounds up to the end of the file.
struct Settings {
  std::string title = padded("");
  std::int32_t constraint_count = 0;
  std::int32_t console_period = 100;
  std::int32_t file_period = 100;
  std::vector<std::pair<double, double>> bounds;
  bool failed = false;
};

Settings read_settings(std::string_view content) {
  Settings settings;
  FreeFormatReader reader(content);
  TextField title;
  title.fill(' ');
  settings.failed = reader.read(title) == Outcome::error ||
                    reader.read(settings.constraint_count) == Outcome::error ||
                    reader.read(settings.console_period, settings.file_period) == Outcome::error;
  settings.title = text_of(title);
  while (!settings.failed) {
    double lower = 0.0;
    double upper = 0.0;
    const Outcome outcome = reader.read(lower, upper);
    if (outcome == Outcome::end_of_file) break;
    settings.failed = outcome == Outcome::error;
    if (!settings.failed) settings.bounds.emplace_back(lower, upper);
  }
  return settings;
}

TEST(FreeFormat, SettingsFileShapes) {
  using Bounds = std::vector<std::pair<double, double>>;
  struct Case {
    std::string_view name;
    std::string_view content;
    std::string title;
    std::int32_t constraint_count;
    std::int32_t console_period;
    std::int32_t file_period;
    Bounds bounds;
  };
  const Case cases[] = {
      {"three pairs", "'Beam design' v2\n 2\n 10, 20\n 0 1\n -1.5D0 2.5E+01\n -3,3\n",
       padded("Beam design"), 2, 10, 20, Bounds{{0.0, 1.0}, {-1.5, 25.0}, {-3.0, 3.0}}},
      {"pair over two lines, third number ignored", "title\n0\n1 1\n0\n\n5 9\n1 2 3\n",
       padded("title"), 0, 1, 1, Bounds{{0.0, 5.0}, {1.0, 2.0}}},
      {"lower bound alone at the end does not count", "t\n0\n1 1\n0 1\n7\n", padded("t"), 0, 1, 1,
       Bounds{{0.0, 1.0}}},
      {"ends after the periods", "t\n4\n5 6\n", padded("t"), 4, 5, 6, Bounds{}},
      {"ends inside the periods", "t\n4\n50", padded("t"), 4, 50, 100, Bounds{}},
      {"ends after the text", "t", padded("t"), 0, 100, 100, Bounds{}},
      {"empty", "", padded(""), 0, 100, 100, Bounds{}},
      {"blank lines only", "\n  \n\n", padded(""), 0, 100, 100, Bounds{}},
      {"decimal comma separates", "t\n0\n1 1\n1,5 2,5\n", padded("t"), 0, 1, 1, Bounds{{1.0, 5.0}}},
      {"windows line ends and tabs", "t\r\n2\r\n3\t4\r\n\r\n1\t2\r\n-1\r\n\t2.5\r\n", padded("t"),
       2, 3, 4, Bounds{{1.0, 2.0}, {-1.0, 2.5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Settings settings = read_settings(c.content);
    EXPECT_FALSE(settings.failed);
    EXPECT_EQ(settings.title, c.title);
    EXPECT_EQ(settings.constraint_count, c.constraint_count);
    EXPECT_EQ(settings.console_period, c.console_period);
    EXPECT_EQ(settings.file_period, c.file_period);
    EXPECT_EQ(settings.bounds, c.bounds);
  }
}

TEST(FreeFormat, LetterWhereANumberIsExpectedIsAnError) {
  EXPECT_TRUE(read_settings("t\nK\n").failed);
  EXPECT_TRUE(read_settings("t\n0\n1 x\n").failed);
  EXPECT_TRUE(read_settings("t\n0\n1 1\n0 1\n0 x1\n").failed);
  EXPECT_TRUE(read_settings("t\n0\n1 1\n0 1.0.0\n").failed);
}

TEST(FreeFormat, ErrorStoresNothingFromItsItemOnAndDropsItsLine) {
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

// The model's answer: one real then one integer, read from the start.
TEST(FreeFormat, WorkFileAnswers) {
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

TEST(FreeFormat, OneValueALineSkipsBlankLinesAndDropsTheRest) {
  EXPECT_EQ(read_one_per_line<double>("1.5 9\n\n  2\n \t\n3e0, 4\n0,5\n\n\n"),
            std::make_pair(std::vector<double>{1.5, 2.0, 3.0, 0.0}, Outcome::end_of_file));
  EXPECT_EQ(read_one_per_line<std::int32_t>("0\r\n1\r\n\r\n1 5\r\n0\r\n\r\n"),
            std::make_pair(std::vector<std::int32_t>{0, 1, 1, 0}, Outcome::end_of_file));
  EXPECT_EQ(read_one_per_line<std::int32_t>("0\n1\n1.0\n0\n"),
            std::make_pair(std::vector<std::int32_t>{0, 1}, Outcome::error));
  EXPECT_EQ(read_one_per_line<double>("1\n2\n3\nend\n"),
            std::make_pair(std::vector<double>{1.0, 2.0, 3.0}, Outcome::error));
}

TEST(FreeFormat, SlashEndsTheReadAndKeepsTheItemsNotRead) {
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

TEST(FreeFormat, TextItems) {
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

TEST(FreeFormat, UnclosedQuoteEndsAtTheLineEnd) {
  FreeFormatReader reader("'open, 5\n7\n");
  TextField text;
  std::int32_t next = -1;
  EXPECT_EQ(reader.read(text, next), Outcome::ok);
  EXPECT_EQ(text_of(text), padded("open, 5"));
  EXPECT_EQ(next, 7);
}

}  // namespace
}  // namespace genopt
