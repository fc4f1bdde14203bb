#pragma once
// The model runs: one engine through which every run of the model goes, one
// at a time or side by side. The bookkeeping (slots, time limits, waiting,
// ending) is shared by both platforms; only the system calls differ.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace genopt {

enum class ModelRun {
  ended,        // the model ran and ended, whatever its exit status or signal
  not_started,  // no such program in the current directory or on PATH, or the start was refused
  timed_out,    // it ran longer than its time limit and was ended, with whatever it started
};

// What starts a model run: the model's name, looked up in the current
// directory, then in each directory of PATH; and optionally a launcher, whose
// words come first, followed by the model's full path (e.g. "srun -N1 -n1").
// The launcher's own program is looked up along PATH.
struct ModelCommand {
  const char* program = nullptr;
  std::span<const std::string> launcher{};
};

// The most model runs that go side by side.
inline constexpr std::int32_t max_side_by_side_runs = 64;

// Slot 0 runs the model in the program's own directory and environment; slots
// 1 to max_side_by_side_runs each in a directory of their own, with the
// environment variable GENOPT_SLOT set to the slot number.
//
// Every run is started directly (no shell) with the arguments "-c" and "-r",
// standard input from the null device and our standard output and error. It
// has a process group (POSIX) or job (Windows) of its own, so that whatever
// it starts goes with it: when it ends, when it outlasts its time limit (asked
// to end first, by force after a short grace time), and when the program is
// ended by a signal. The program and its arguments are found at the first
// start and kept, so that a run allocates nothing.
//
// One engine at a time: it registers with the ending signals.
class ModelRuns {
 public:
  // `command` is copied. A time limit of 0 is none.
  ModelRuns(const ModelCommand& command, std::int32_t time_limit_seconds);
  ~ModelRuns();  // ends every run still going
  ModelRuns(const ModelRuns&) = delete;
  ModelRuns& operator=(const ModelRuns&) = delete;

  // Slot `slot` (1..max_side_by_side_runs) runs its model in `directory`.
  void set_directory(std::int32_t slot, std::string_view directory);
  // False when the model could not be started. The slot must be idle.
  bool start(std::int32_t slot);
  // Waits until the run of `slot` has ended or outlasted its time limit; a
  // run of another slot that outlasts its limit meanwhile is ended then.
  ModelRun wait(std::int32_t slot);
  // Ends every run still going, and all they started: asked first, by force
  // after a short grace time.
  void end_all();

 private:
  struct Engine;
  std::unique_ptr<Engine> engine_;
};

}  // namespace genopt
