#pragma once
// When a key poll looks at the console's input again (console.cpp). After a
// look found nothing, the next one waits for a number of polls or a time,
// whichever comes first: the poll must stay nearly free while still seeing a
// key within milliseconds at any poll rate. The clock is read only every few
// polls, as reading it may cost a system call.

#include <cstdint>

namespace genopt {

// Nanoseconds on a clock that never goes back.
using MonotonicClock = std::int64_t (*)();

class RefillGate {
 public:
  static constexpr int polls_between_refills = 256;
  static constexpr int polls_between_clock_reads = 8;
  static constexpr std::int64_t ns_between_refills = 2'000'000;

  // Whether this poll looks at the input.
  bool refill_due(MonotonicClock now_ns);
  // Something was taken: the next poll looks again, so that keys typed
  // ahead come one a poll.
  void open() { refill_at_once_ = true; }
  // The look found nothing.
  void close(MonotonicClock now_ns);

 private:
  bool refill_at_once_ = true;
  int polls_since_refill_ = 0;
  std::int64_t last_refill_ns_ = 0;
};

}  // namespace genopt
