// Puts an endless file in the work file's place instead of answering.
#include <cstdio>
#include <filesystem>

#include "model_protocol.h"

int main() {
  model::read_candidate();
  std::remove(model::work_file);
  std::error_code failed;
  std::filesystem::create_symlink("/dev/zero", model::work_file, failed);
  return failed ? 1 : 0;
}
