#pragma once

#include <atomic>
#include <cstdint>

#include "HostApi.h"

// Time of the simulated ECUs. The real clock sleeps; a manual one lets tests
// move time by hand, so behaviours over time are checked without waiting.
class HOST_API SimulationClock {
 public:
  using Millis = std::int64_t;

  virtual ~SimulationClock();
  // Milliseconds on a monotonic scale.
  virtual Millis now() const = 0;
  virtual void sleepFor(Millis ms) = 0;

  // The process's real clock; its sleeps end early once interruptSleeps() ran.
  static SimulationClock& steady();
  // Ends every sleep of the real clock, now and later: a stopping host must
  // not wait for slow answers.
  static void interruptSleeps();
};

// A clock that stands still until advanced; a sleep advances it.
class HOST_API ManualClock : public SimulationClock {
 public:
  explicit ManualClock(Millis start = 0) : now_(start) {}
  Millis now() const override { return now_.load(); }
  void sleepFor(Millis ms) override { advance(ms); }
  void advance(Millis ms) { now_ += ms; }

 private:
  std::atomic<Millis> now_;
};
