// Tells where and how it ran, then answers 1: a line with its slot
// (GENOPT_SLOT), the name of its current directory, its arguments, the
// variable GENOPT_VIA and the names it sees there, in a file of its own in
// the directory that log_directory.txt names. Runs of one slot follow each
// other, so the first free number of the slot names the file.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "model_protocol.h"

namespace fs = std::filesystem;

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? "none" : value;
}

std::string what_it_sees() {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string seen;
  for (const std::string& name : names) seen += ' ' + name;
  return seen;
}

int main(int argc, char** argv) {
  const std::string slot = variable("GENOPT_SLOT");
  std::string line = "slot=" + slot + " dir=" + fs::current_path().filename().string() + " args=";
  for (int at = 1; at < argc; ++at) {
    if (at > 1) line += ' ';
    line += argv[at];
  }
  line += " via=" + variable("GENOPT_VIA") + " sees=" + what_it_sees() + " \n";
  std::string log_directory = model::content_of("log_directory.txt");
  log_directory.erase(log_directory.find_last_not_of("\r\n") + 1);
  fs::path log;
  for (int number = 1;
       fs::exists(log = fs::path(log_directory) / ("run-" + slot + "-" + std::to_string(number)));
       ++number) {
  }
  std::ofstream(log) << line;
  model::answer_text("1.0\n");
}
