#pragma once
// The work file through which every candidate goes to the model and every
// answer comes back. It is opened before anything else and held for the whole
// run (only between exchanges where a held file cannot be replaced by a
// rename); after a normal end it is deleted, after a failure it stays with
// what it last held.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "text/messages.h"

namespace genopt {

class WorkFile {
 public:
  // The answer's two fields stand at its start; whatever follows is never
  // looked at, so a model that writes more, or an endless file in the work
  // file's place, costs no more than this.
  static constexpr std::size_t answer_read_limit = 64 * 1024;

  WorkFile() = default;
  // A work file elsewhere than the run directory's own (that of a slot).
  explicit WorkFile(std::string path) : path_(std::move(path)) {}
  ~WorkFile();
  WorkFile(const WorkFile&) = delete;
  WorkFile& operator=(const WorkFile&) = delete;

  // Opens the file, keeping an older content; 0 or the platform's error number.
  int open();
  // Closes the file, which stays.
  void release();
  // Closes the file and deletes it; 0 or the platform's error number.
  int close_and_delete();

  // Replaces the whole content by `record`, which is then in the file for the
  // model to read; 0 or the platform's error number.
  int write_record(std::string_view record);
  // Replaces the whole content by `bytes` as they stand, line ends and all:
  // what another work file held. 0 or the platform's error number.
  int write_copy(std::string_view bytes);
  // Reads the start of what stands at the file's path now, also when the
  // model replaced the file instead of rewriting it; a file the model removed
  // reads as empty. 0 or the platform's error number.
  int read_answer(std::string& answer);

 private:
  int replace_content(std::string_view content, bool as_text);

  std::string path_{text::work_file_name};
  int fd_ = -1;
};

}  // namespace genopt
