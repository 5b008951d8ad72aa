#pragma once

#include <optional>
#include <string>
#include <vector>

#include "HostApi.h"
#include "SimulationClock.h"
#include "SimulationValue.h"

// A value that follows a course over time: a ramp or a sequence of values.
// Pure: the value is a function of the time since the start.
struct HOST_API SimulationBehaviour {
  using Millis = SimulationClock::Millis;
  enum class Shape { Ramp, Sequence };

  struct Step {
    simulation::Value value;
    Millis durationMs = 0;
  };

  Shape shape = Shape::Ramp;
  // The kind of the item it drives: a state's ramp gives integers.
  simulation::Kind kind = simulation::Kind::Parameter;
  // Ramp: from, from +/- step, ... up to to, one value per period.
  double from = 0;
  double to = 0;
  double step = 1;
  Millis periodMs = 1;
  // Sequence: each value for its duration.
  std::vector<Step> steps;
  bool repeat = false;
  // The command that starts it; empty: it runs from the load.
  std::wstring startedBy;
  // Applied when a behaviour that does not repeat ends.
  std::vector<simulation::Assignment> atEnd;

  // The value after elapsed ms (0 or more).
  simulation::Value valueAt(Millis elapsed) const;
  // When it ends; none for one that repeats.
  std::optional<Millis> length() const;

 private:
  long rampSteps() const;
  simulation::Value rampValue(long index) const;
  // A state's whole value: rounded, NaN as 0, beyond the long range its end.
  static long toLong(double value);
};
