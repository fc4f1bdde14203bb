#pragma once
// Reading of the free format shared by every input file and by the work file.
// A read starts on a new line, takes its items in order across blanks, commas,
// tabs, carriage returns and line ends, skips blank lines, and drops the rest
// of the line on which its last item ended. A slash ends a read early: the
// items not yet read keep their values. No conversion depends on the locale.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace genopt {

enum class ReadOutcome {
  ok,           // every item was read (or a slash ended the read)
  end_of_file,  // the content ended before an item; the items before it are stored
  error,        // an item is not of its expected form; it and the rest are not stored
};

// A text item: cut or padded with blanks to 20 characters.
using TextField = std::array<char, 20>;

class FreeFormatReader {
 public:
  // `content` must outlive the reader.
  explicit FreeFormatReader(std::string_view content) : content_(content) {}

  // One read: stores each item as it is read, stops at the first that is not.
  template <class... Items>
  ReadOutcome read(Items&... items) {
    start_read();
    ReadOutcome outcome = ReadOutcome::ok;
    ((outcome = outcome == ReadOutcome::ok && !slash_seen_ ? read_next(items) : outcome), ...);
    finish_read();
    return outcome;
  }

  // How many items the last read stored.
  std::size_t stored_count() const { return stored_count_; }

  // One read of `count` reals into values[0..count-1], spread over lines in any way.
  ReadOutcome read_reals(double* values, std::size_t count);

 private:
  template <class Item>
  ReadOutcome read_next(Item& item) {
    const ReadOutcome outcome = read_item(item);
    if (outcome == ReadOutcome::ok && !slash_seen_) ++stored_count_;
    return outcome;
  }
  ReadOutcome read_item(double& value);
  ReadOutcome read_item(std::int32_t& value);
  ReadOutcome read_item(TextField& value);
  void start_read();
  void finish_read();

  std::string_view content_;
  std::size_t position_ = 0;
  bool slash_seen_ = false;
  std::size_t stored_count_ = 0;
};

// Strict parsers of one whole token, used by the reader.
bool parse_real(std::string_view token, double& value);
bool parse_integer(std::string_view token, std::int32_t& value);

}  // namespace genopt
