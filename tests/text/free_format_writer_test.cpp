#include "text/free_format_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace genopt {
namespace {

std::string blanks(std::size_t count) { return std::string(count, ' '); }

std::string repeated(std::string_view piece, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

template <class... Items>
std::string written(Encoding encoding, const Items&... items) {
  std::string out;
  write_free_format(out, encoding, items...);
  return out;
}

TEST(FreeFormatWriter, TextAfterANumberGetsOneSeparatingBlank) {
  EXPECT_EQ(written(Encoding::cp1251, 3, " группа"), blanks(11) + "3" + " " + " группа\n");
}

TEST(FreeFormatWriter, TextAfterATextIsJoinedWithoutBlank) {
  EXPECT_EQ(written(Encoding::cp1251, "a", "b", 1, "c", "d"), " ab" + blanks(11) + "1 cd\n");
}

TEST(FreeFormatWriter, RecordWithoutItemsIsOneBlank) {
  EXPECT_EQ(written(Encoding::cp1251), " \n");
  std::string out = "kept\n";
  write_free_format(out, Encoding::utf8);
  write_free_format(out, Encoding::utf8, 5);
  EXPECT_EQ(out, "kept\n \n" + blanks(11) + "5\n");
}

TEST(FreeFormatWriter, SevenDoublesTakeThreeLines) {
  const std::string one = "   1.00000000000000     ";
  EXPECT_EQ(written(Encoding::cp1251, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0),
            repeated(one, 3) + "\n" + repeated(one, 3) + "\n" + one + "\n");
}

TEST(FreeFormatWriter, SixIntegersFillALine) {
  const std::string seven = blanks(11) + "7";
  EXPECT_EQ(written(Encoding::cp1251, 7, 7, 7, 7, 7, 7, 7),
            repeated(seven, 6) + "\n" + seven + "\n");
}

TEST(FreeFormatWriter, ItemThatNoLongerFitsBeginsTheNextLine) {
  const std::string half = "  0.500000000000000     ";
  const std::string one = "   1.00000000000000     ";
  // 72 + blank + 4 fits; the joined "defghij" would reach 84 and moves on with its own blank;
  // three doubles then fill that line to exactly 80, and the integer moves on.
  EXPECT_EQ(written(Encoding::cp1251, 0.5, 0.5, 0.5, "abcd", "defghij", 1.0, 1.0, 1.0, 2),
            repeated(half, 3) + " abcd\n defghij" + repeated(one, 3) + "\n" + blanks(11) + "2\n");
  // A text that fills a line with its blank exactly still stands alone.
  const std::string full = repeated("x", 79);
  EXPECT_EQ(written(Encoding::cp1251, 2, full), blanks(11) + "2\n " + full + "\n");
}

TEST(FreeFormatWriter, TextLongerThanALineIsCutAtEachLineEnd) {
  const std::string half = "  0.500000000000000     ";
  const std::string long_text = repeated("0123456789", 10);  // 101 with its blank
  // After a number: it starts on the same line behind its blank.
  EXPECT_EQ(written(Encoding::cp1251, 0.5, 0.5, 0.5, long_text, 4),
            repeated(half, 3) + " " + long_text.substr(0, 7) + "\n" + long_text.substr(7, 80) +
                "\n" + long_text.substr(87) + blanks(11) + "4\n");
  // After a text: joined, it fills the rest of that line first.
  const std::string forty = repeated("a", 40);
  EXPECT_EQ(written(Encoding::cp1251, forty, long_text),
            blanks(1) + forty + long_text.substr(0, 39) + "\n" + long_text.substr(39) + "\n");
  // Filling its last line exactly leaves no empty line behind.
  EXPECT_EQ(written(Encoding::cp1251, repeated("b", 159)),
            blanks(1) + repeated("b", 79) + "\n" + repeated("b", 80) + "\n");
}

TEST(FreeFormatWriter, Utf8TextsAreCountedByCodePoint) {
  const std::string letters = repeated("я", 79);  // 158 bytes
  EXPECT_EQ(written(Encoding::utf8, letters), " " + letters + "\n");
  EXPECT_EQ(written(Encoding::cp1251, letters),
            blanks(1) + letters.substr(0, 79) + "\n" + letters.substr(79, 79) + "\n");
  // A cut never falls inside a code point; a 3-byte character sits on the line end.
  const std::string cut = repeated("я", 78) + "€" + repeated("ж", 3);
  EXPECT_EQ(written(Encoding::utf8, cut),
            blanks(1) + repeated("я", 78) + "€\n" + repeated("ж", 3) + "\n");
  const std::string mixed = repeated("ё", 70);
  EXPECT_EQ(written(Encoding::utf8, 1, mixed), blanks(11) + "1\n " + mixed + "\n");
}

TEST(FreeFormatWriter, DoublesTakeFifteenSignificantDigitsInTwentyFour) {
  const double infinity = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    std::string_view field;
  } cases[] = {
      {1.0, "   1.00000000000000     "},
      {0.5, "  0.500000000000000     "},
      {-2.5, "  -2.50000000000000     "},
      {0.1, "  0.100000000000000     "},
      {0.09999999999999999, "  0.100000000000000     "},  // rounds up into the fixed range
      {123456789012345.0, "   123456789012345.     "},
      {0.05, "  5.000000000000000E-002"},
      {-0.05, " -5.000000000000000E-002"},
      // Rounds to 10^15 on 15 digits, so takes the exponent form, which shows 16 digits.
      {999999999999999.9, "  9.999999999999999E+014"},
      {1e15, "  1.000000000000000E+015"},
      {1.0 / 3.0, "  0.333333333333333     "},
      {2.0 / 3.0 * 1e14, "   66666666666666.7     "},
      {0.0, "  0.000000000000000E+000"},
      {-0.0, "  0.000000000000000E+000"},
      {1e-300, "  1.000000000000000E-300"},
      {1e300, "  1.000000000000000E+300"},
      {infinity, "           Infinity     "},
      {-infinity, "          -Infinity     "},
      {std::nan(""), "                NaN     "},
  };
  for (const auto& c : cases) {
    char buffer[32];
    EXPECT_EQ(format_double(c.value, buffer), c.field) << c.value;
  }
}

TEST(FreeFormatWriter, IntegersAreRightAlignedInTwelve) {
  char buffer[32];
  EXPECT_EQ(format_integer(0, buffer), blanks(11) + "0");
  EXPECT_EQ(format_integer(std::numeric_limits<std::int32_t>::min(), buffer), " -2147483648");
}

TEST(ConstraintTallyLine, NumbersStandInFixedColumns) {
  // "ограничение № " and " нарушений" in CP1251.
  const std::string label = "\xEE\xE3\xF0\xE0\xED\xE8\xF7\xE5\xED\xE8\xE5 \xB9 ";
  const std::string tail = " \xED\xE0\xF0\xF3\xF8\xE5\xED\xE8\xE9\n";
  const struct {
    std::int32_t index;
    std::int32_t count;
    const char* numbers;
  } cases[] = {
      {7, 12, "   7 -        12"},
      {9999, 999999999, "9999 - 999999999"},
      {10000, 1000000000, "**** - *********"},
      {-999, 0, "-999 -         0"},
  };
  for (const auto& c : cases) {
    std::string out;
    write_constraint_tally_line(out, c.index, c.count);
    EXPECT_EQ(out, label + c.numbers + tail) << c.index;
  }
}

}  // namespace
}  // namespace genopt
