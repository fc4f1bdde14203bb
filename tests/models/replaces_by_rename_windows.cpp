// The objective of `sphere`, written to a new file that then takes the work
// file's name. The C library's rename does not replace a file here, so the
// system's own call does.
#include <windows.h>

#include <cstdio>

#include "model_protocol.h"

int main() {
  const std::string answer =
      model::objective_text(model::sphere_objective(model::read_candidate()));
  const char* temporary = "&&&_Rab.txt.new";
  std::FILE* file = std::fopen(temporary, "w");
  if (file == nullptr) return 1;
  std::fputs(answer.c_str(), file);
  std::fclose(file);
  return MoveFileExA(temporary, model::work_file, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
