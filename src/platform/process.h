#pragma once
// Starting the model program and waiting for it: the platform's part of the
// model exchange.

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

// Starts the model directly (no shell) with the arguments "-c" and "-r",
// standard input from the null device and our standard output and error, and
// waits until it ends. Costs about the bare price of starting a process: the
// caller's memory is not copied.
//
// With `time_limit_seconds` above 0 the model runs in a process group of its
// own; when it has not ended in that time, the group is asked to end, and
// after a short grace time ended by force.
ModelRun run_model(const ModelCommand& command, std::int32_t time_limit_seconds = 0);
inline ModelRun run_model(const char* program, std::int32_t time_limit_seconds = 0) {
  return run_model(ModelCommand{program}, time_limit_seconds);
}

// The most model runs that go side by side.
inline constexpr std::int32_t max_side_by_side_runs = 64;

// Model runs side by side, one a slot, each with its own current directory
// and the environment variable GENOPT_SLOT set to its slot number. Every run
// has a process group of its own, so that ending a run ends all it started;
// when the program is ended by SIGINT, SIGTERM or SIGHUP, the runs still
// going are asked to end first. Lookups, starts and time limits are those of
// run_model.
class ModelRunSlots {
 public:
  ModelRunSlots(const ModelCommand& command, std::int32_t time_limit_seconds);
  ~ModelRunSlots();  // ends every run still going
  ModelRunSlots(const ModelRunSlots&) = delete;
  ModelRunSlots& operator=(const ModelRunSlots&) = delete;

  // Slot `slot` (1..max_side_by_side_runs) runs its model in `directory`.
  void set_directory(std::int32_t slot, std::string_view directory);
  // False when the model could not be started.
  bool start(std::int32_t slot);
  // Waits until the run of `slot` has ended or outlasted its time limit;
  // a run of another slot that outlasts its limit meanwhile is ended then.
  ModelRun wait(std::int32_t slot);
  // Ends every run still going, and all they started: asked first, by force
  // after a short grace time.
  void end_all();

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
};

}  // namespace genopt
