#include "evaluation/work_file.h"

#include "platform/files.h"

namespace genopt {

WorkFile::~WorkFile() { files::close(fd_); }

int WorkFile::open() {
  int error = 0;
  fd_ = files::open_for_update(path_, error);
  return error;
}

void WorkFile::release() {
  files::close(fd_);
  fd_ = -1;
}

int WorkFile::close_and_delete() {
  files::close(fd_);
  fd_ = -1;
  // A file already gone has nothing left to delete.
  const int error = files::remove(path_);
  return files::is_missing(error) ? 0 : error;
}

int WorkFile::write_record(std::string_view record) { return replace_content(record, true); }

int WorkFile::write_copy(std::string_view bytes) { return replace_content(bytes, false); }

int WorkFile::replace_content(std::string_view content, bool as_text) {
  // The model may have replaced or removed the file since the last exchange:
  // the content goes to whatever now stands at the path.
  int error = 0;
  const int fd = files::open_for_update(path_, error);
  if (fd < 0) return error;
  files::close(fd_);
  fd_ = fd;
  std::int64_t offset = 0;
  const int written = as_text ? files::write_text_at(fd_, offset, content)
                              : files::write_bytes_at(fd_, offset, content);
  // Where a held file cannot be replaced, the model gets it free for its run.
  if (files::held_file_blocks_rename()) {
    files::close(fd_);
    fd_ = -1;
  }
  return written;
}

int WorkFile::read_answer(std::string& answer) {
  const int error = files::read_start(path_, answer, answer_read_limit);
  return files::is_missing(error) ? 0 : error;
}

}  // namespace genopt
