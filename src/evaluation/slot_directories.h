#pragma once
// The directories of the model runs that go side by side: genopt-slots/1 to
// genopt-slots/K in the run directory. Each holds its own work file and, under
// the same names, links to every other file of the run directory, so that a
// model finds there what it finds beside genopt.

#include <cstdint>
#include <string>

#include "text/outcome.h"

namespace genopt {

// "genopt-slots/3" for slot 3.
std::string slot_directory(std::int32_t slot);

// Makes genopt-slots/1..count afresh; a genopt-slots left by an earlier run is
// replaced. genopt's report, work and continuation files are not linked; its
// input files are, for the models that read them. A failure names the directory or link that could
// not be made.
Outcome make_slot_directories(std::int32_t count);

// Removes genopt-slots with everything in it, after a normal end.
Outcome remove_slot_directories();

}  // namespace genopt
