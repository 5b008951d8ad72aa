#include "SimulationBehaviour.h"

#include <cmath>
#include <limits>

using simulation::Value;

// Steps from `from` to `to`; the last one may be short, so `to` is always reached.
long SimulationBehaviour::rampSteps() const {
  if (step <= 0) return 0;
  // A hair below a whole number counts as that number: 1 / 0.1 is not quite 10.
  return static_cast<long>(std::ceil(std::fabs(to - from) / step - 1e-9));
}

Value SimulationBehaviour::rampValue(long index) const {
  const double value =
      index >= rampSteps() ? to : from + (to >= from ? 1 : -1) * static_cast<double>(index) * step;
  if (kind == simulation::Kind::State) return toLong(value);
  return value;
}

// A double holds 2^63 but no long does: the ends of the range are kept, not wrapped.
long SimulationBehaviour::toLong(double value) {
  constexpr double kBeyondLong = 9223372036854775808.0;  // 2^63
  if (std::isnan(value)) return 0;
  if (value >= kBeyondLong) return std::numeric_limits<long>::max();
  if (value < -kBeyondLong) return std::numeric_limits<long>::min();
  return std::lround(value);
}

std::optional<SimulationBehaviour::Millis> SimulationBehaviour::length() const {
  if (repeat) return std::nullopt;
  if (shape == Shape::Ramp) return rampSteps() * periodMs;
  Millis total = 0;
  for (const Step& s : steps) total += s.durationMs;
  return total;
}

// A repeating course starts over after its last value has had its time.
Value SimulationBehaviour::valueAt(Millis elapsed) const {
  if (elapsed < 0) elapsed = 0;
  if (shape == Shape::Ramp) {
    const Millis period = periodMs > 0 ? periodMs : 1;
    Millis index = elapsed / period;
    if (repeat) index %= rampSteps() + 1;
    return rampValue(static_cast<long>(index));
  }
  if (steps.empty()) return Value{};
  Millis total = 0;
  for (const Step& s : steps) total += s.durationMs;
  if (repeat && total > 0) elapsed %= total;
  for (const Step& s : steps) {
    if (elapsed < s.durationMs) return s.value;
    elapsed -= s.durationMs;
  }
  return steps.back().value;
}
