#pragma once
// The free format in which nearly every report and console line is written:
// integers in 12 characters, doubles in 24 (15 significant digits), texts as
// they stand, at most 80 characters a line.

#include <cstdint>
#include <string>
#include <string_view>

namespace genopt {

// How text items are counted against the line length: one byte a character
// in CP1251 files, one code point a character on the UTF-8 console.
enum class Encoding { cp1251, utf8 };

// One write of the free format: appends its lines, each ending in LF, to `out`.
class FreeFormatRecord {
 public:
  FreeFormatRecord(std::string& out, Encoding encoding);
  FreeFormatRecord(const FreeFormatRecord&) = delete;
  FreeFormatRecord& operator=(const FreeFormatRecord&) = delete;

  void add(std::int32_t value);
  void add(double value);
  // No field of the format is single precision: a float must be widened on purpose.
  void add(float value) = delete;
  void add(std::string_view text);
  void add(const char* text) { add(std::string_view(text)); }

  // Ends the record's last line; a record without items gives a line of one blank.
  void finish();

 private:
  void add_number(std::string_view field);
  void start_new_line();

  std::string& out_;
  Encoding encoding_;
  std::size_t line_length_ = 0;  // characters on the current line
  bool has_items_ = false;
  bool last_was_text_ = false;
};

template <class... Items>
void write_free_format(std::string& out, Encoding encoding, const Items&... items) {
  FreeFormatRecord record(out, encoding);
  (record.add(items), ...);
  record.finish();
}

// One number in its field, as a record writes it.
std::string_view format_integer(std::int32_t value, char (&buffer)[32]);
std::string_view format_double(double value, char (&buffer)[32]);

// The fixed layout of one line of the constraint tally, without a leading blank:
// "ограничение № " + index in 4 columns + " - " + count in 9 columns + " нарушений",
// CP1251; a number too wide for its columns is shown as that many asterisks.
void write_constraint_tally_line(std::string& out, std::int32_t index, std::int32_t count);

}  // namespace genopt
