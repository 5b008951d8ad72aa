#include "SimulationClock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

class SteadyClock : public SimulationClock {
 public:
  Millis now() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  void sleepFor(Millis ms) override {
    std::unique_lock<std::mutex> lock(sleepGuard_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return interrupted_; });
  }

  void interrupt() {
    {
      std::lock_guard<std::mutex> lock(sleepGuard_);
      interrupted_ = true;
    }
    wake_.notify_all();
  }

 private:
  // sleepGuard_ guards interrupted_.
  std::mutex sleepGuard_;
  std::condition_variable wake_;
  bool interrupted_ = false;
};

SteadyClock& steadyClock() {
  // Never destroyed: connection threads may still sleep during static destruction.
  static SteadyClock* clock = new SteadyClock();
  return *clock;
}

}  // namespace

SimulationClock::~SimulationClock() = default;

SimulationClock& SimulationClock::steady() {
  return steadyClock();
}

void SimulationClock::interruptSleeps() {
  steadyClock().interrupt();
}
