#include "report/report_file.h"

#include "platform/files.h"

namespace genopt {

ReportFile::~ReportFile() { files::close(fd_); }

int ReportFile::open() {
  buffer_.reserve(1 << 16);
  fd_ = files::open_for_output(name_, error_);
  return error_;
}

void ReportFile::flush() {
  if (fd_ < 0 || error_ != 0 || buffer_.empty()) return;
  error_ = files::write_text_at(fd_, written_, buffer_);
  buffer_.clear();
}

}  // namespace genopt
