#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "IDiagServices.h"
#include "SimulatedEcu.h"
#include "SimulationClock.h"
#include "UnknownNames.h"

class StandinDataManager;
class StandinDiagData;

// "diagServices:DiagServices?EcuDiag#NAME" of the stand-in host: one simulated
// ECU. A query is answered from the simulated values, after its delay, and its
// outcome stored in the data manager under "data:/Auto/UCEs/NAME/...", as the
// component reads it.
class HOST_API StandinDiagServices : public IDiagServices {
 public:
  using Simulation = SimulatedEcu::Description;
  using Millis = SimulationClock::Millis;

  // The status of a query the simulation cannot read ("INVALID QUERY" to the page).
  static constexpr int kInvalidQuery = -13;
  // What a query that gets no answer ends with ("TIMEOUT").
  static constexpr int kTimeout = -992;

  // diagData tells which items the ECU describes, for the warnings about unknown ones.
  StandinDiagServices(const std::string& ecu, StandinDataManager& dataManager,
                      StandinDiagData& diagData);
  ~StandinDiagServices() override;

  // Replaces the simulation, values and the author's changes included.
  void setSimulation(Simulation simulation);
  // Back to the last simulation given, as loaded.
  void reset();
  // For tests: the clock behaviours and delays follow (the real one by default).
  void setClock(SimulationClock& clock);

  // Runs change on the simulation, with the lock held and the clock's time.
  void change(const std::function<void(SimulatedEcu& ecu, Millis now)>& edit);

  int executeQuery(const DRQuery& query) override;
  // What the ECU answered the calling thread's last query, once; empty when it sent none.
  static std::string takeOutcome();
  const ID& getID() const override;

 private:
  // Warns about what the query names that the ECU does not describe.
  void reportUnknown(const SimulatedEcu::Targets& targets);
  int store(const SimulatedEcu::Targets& targets);

  std::string ecu_;
  std::wstring wideEcu_;
  ID id_;
  StandinDataManager& dataManager_;
  StandinDiagData& diagData_;
  UnknownNames unknown_{"DiagServices"};
  // simulationGuard_ guards simulation_ and clock_: commands, behaviours and the
  // panel change values that reads store. It is never held during a delay.
  std::mutex simulationGuard_;
  SimulationClock* clock_;
  SimulatedEcu simulation_;
};
