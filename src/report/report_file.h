#pragma once
// One report file. It is opened without being emptied: the first line written
// replaces the old content, and from then on the file ends where the last
// line written to it ends. A file opened but never written keeps its content.
// Lines collect in a buffer and reach the file at each flush.

#include <cstdint>
#include <string>
#include <string_view>

#include "text/free_format_writer.h"

namespace genopt {

class ReportFile {
 public:
  explicit ReportFile(std::string_view name) : name_(name) {}
  ~ReportFile();
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // 0 or the platform's error number.
  int open();
  bool is_open() const { return fd_ >= 0; }
  std::string_view name() const { return name_; }

  // One free-format line, CP1251.
  template <class... Items>
  void line(const Items&... items) {
    write_free_format(buffer_, Encoding::cp1251, items...);
  }
  // For lines of a fixed layout, appended as they stand.
  std::string& buffer() { return buffer_; }

  // Writes what was buffered; the first error is kept and later flushes do nothing.
  void flush();
  int error() const { return error_; }

 private:
  std::string_view name_;
  int fd_ = -1;
  std::int64_t written_ = 0;
  std::string buffer_;
  int error_ = 0;
};

}  // namespace genopt
