#include "platform/process.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>

#include "platform/process_system.h"
#include "platform/signals.h"

namespace genopt {

namespace {

namespace system = model_run_system;

// A run asked to end gets this long before it is ended by force.
constexpr std::int64_t grace_ms = 2000;
// A wait wakes at least this often, so that no lost wake-up can hold it.
constexpr std::int64_t longest_sleep_ms = 1000;

constexpr std::size_t slot_count = max_side_by_side_runs + 1;

// The groups of the runs going on, for the ending signals; 0 where none runs.
std::array<std::atomic<std::intptr_t>, slot_count> running_groups{};
std::atomic<bool> engine_exists{false};

void end_running_groups() { system::end_from_signal_handler(running_groups, grace_ms); }

enum class SlotState : std::uint8_t { idle, running, ended, timed_out };

struct Slot {
  system::RunningProcess run{};
  std::int64_t deadline_ms = 0;
  SlotState state = SlotState::idle;
};

}  // namespace

struct ModelRuns::Engine {
  system::StartsPointer starts;
  std::int32_t time_limit_seconds = 0;
  std::array<Slot, slot_count> slots{};
  // The runs going on, gathered for a sleep: sized once.
  std::array<system::RunningProcess, slot_count> running{};

  bool any_running() const {
    return std::any_of(slots.begin(), slots.end(),
                       [](const Slot& slot) { return slot.state == SlotState::running; });
  }

  void finish(Slot& slot, SlotState state) {
    running_groups[static_cast<std::size_t>(&slot - slots.data())] = 0;
    system::end_and_release(slot.run);
    slot.state = state;
  }

  void finish_ended() {
    for (Slot& slot : slots) {
      if (slot.state == SlotState::running && system::has_ended(slot.run))
        finish(slot, SlotState::ended);
    }
  }

  // A run that ended while nobody looked (a pause) counts as ended, even past its limit.
  void end_overdue() {
    if (time_limit_seconds <= 0) return;
    for (Slot& slot : slots) {
      if (slot.state != SlotState::running || system::monotonic_ms() < slot.deadline_ms) continue;
      system::ask_to_end(slot.run);
      sleep_until(system::monotonic_ms() + grace_ms, [&] { return system::has_ended(slot.run); });
      finish(slot, SlotState::timed_out);
    }
  }

  // Sleeps until `done` holds, a run ends, or the deadline passes, whichever is first.
  template <class Done>
  void sleep_until(std::int64_t deadline_ms, Done done) {
    while (!done()) {
      const std::int64_t left = deadline_ms - system::monotonic_ms();
      if (left <= 0) return;
      sleep_until_one_ends(left);
    }
  }

  // The sleep ends also when the next time limit falls due; one already
  // past is being dealt with.
  void sleep_until_one_ends(std::int64_t longest_ms) {
    std::size_t count = 0;
    const std::int64_t now = system::monotonic_ms();
    for (const Slot& slot : slots) {
      if (slot.state != SlotState::running) continue;
      running[count++] = slot.run;
      if (time_limit_seconds > 0 && slot.deadline_ms > now) {
        longest_ms = std::min(longest_ms, slot.deadline_ms - now);
      }
    }
    longest_ms = std::clamp<std::int64_t>(longest_ms, 0, longest_sleep_ms);
    system::sleep_until_one_ends(*starts, std::span(running.data(), count), longest_ms);
  }
};

ModelRuns::ModelRuns(const ModelCommand& command, std::int32_t time_limit_seconds)
    : engine_(std::make_unique<Engine>()) {
  [[maybe_unused]] const bool another = engine_exists.exchange(true);
  assert(!another && "one model-run engine at a time");
  engine_->starts = system::make_starts(command);
  engine_->time_limit_seconds = time_limit_seconds;
  ending_signals::set_run_ender(end_running_groups);
}

ModelRuns::~ModelRuns() {
  end_all();
  ending_signals::set_run_ender(nullptr);
  engine_->starts.reset();
  engine_exists = false;
}

void ModelRuns::set_directory(std::int32_t slot, std::string_view directory) {
  assert(slot >= 1 && slot <= max_side_by_side_runs);
  system::set_directory(*engine_->starts, slot, directory);
}

bool ModelRuns::start(std::int32_t slot) {
  Engine& engine = *engine_;
  Slot& target = engine.slots[static_cast<std::size_t>(slot)];
  assert(target.state == SlotState::idle && "a slot runs one model at a time");
  if (!system::start(*engine.starts, slot, target.run)) return false;
  target.state = SlotState::running;
  target.deadline_ms = system::monotonic_ms() + std::int64_t{engine.time_limit_seconds} * 1000;
  running_groups[static_cast<std::size_t>(slot)] = target.run.group;
  return true;
}

ModelRun ModelRuns::wait(std::int32_t slot) {
  Engine& engine = *engine_;
  Slot& target = engine.slots[static_cast<std::size_t>(slot)];
  for (;;) {
    engine.finish_ended();
    engine.end_overdue();
    if (target.state != SlotState::running) break;
    engine.sleep_until_one_ends(longest_sleep_ms);
  }
  const SlotState state = target.state;
  target.state = SlotState::idle;
  return state == SlotState::timed_out ? ModelRun::timed_out : ModelRun::ended;
}

void ModelRuns::end_all() {
  Engine& engine = *engine_;
  for (const Slot& slot : engine.slots) {
    if (slot.state == SlotState::running) system::ask_to_end(slot.run);
  }
  engine.sleep_until(system::monotonic_ms() + grace_ms, [&] {
    engine.finish_ended();
    return !engine.any_running();
  });
  for (Slot& slot : engine.slots) {
    if (slot.state == SlotState::running) engine.finish(slot, SlotState::idle);
    slot.state = SlotState::idle;
  }
}

}  // namespace genopt
