#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "IDiagServices.h"
#include "StandinDiagData.h"

class StandinDataManager;

// "diagServices:DiagServices?EcuDiag#NAME" of the stand-in host: one simulated
// ECU. A query is answered from the simulated values and its outcome stored in
// the data manager under "data:/Auto/UCEs/NAME/...", as the component reads it.
class HOST_API StandinDiagServices : public IDiagServices {
 public:
  using Kind = StandinDiagData::Kind;
  // Integer for a state, real for a parameter, text for an identification.
  using Value = std::variant<long, double, std::wstring>;

  // A command's <set>: the item and the value it takes.
  struct Assignment {
    Kind kind = Kind::State;
    std::wstring item;
    Value value;
  };

  struct Command {
    int status = 0;
    std::optional<int> refuse;
    std::vector<Assignment> assignments;
  };

  struct RawFrame {
    std::string responseHex;  // validated: an even number of hexadecimal digits
    std::optional<int> refuse;
  };

  // Everything the data file says about one ECU's behaviour.
  struct Simulation {
    std::optional<int> refuse;
    // Only items listed with a value (or given one by a command).
    std::map<std::wstring, long> states;
    std::map<std::wstring, double> parameters;
    std::map<std::wstring, std::wstring> identifications;
    std::map<std::wstring, Command> commands;
    std::map<std::wstring, RawFrame> rawFrames;
  };

  // The status of a query the simulation cannot read ("INVALID QUERY" to the page).
  static constexpr int kInvalidQuery = -13;

  StandinDiagServices(const std::string& ecu, StandinDataManager& dataManager);
  ~StandinDiagServices() override;

  // Replaces the simulation, values included.
  void setSimulation(Simulation simulation);

  int executeQuery(const DRQuery& query) override;
  const ID& getID() const override;

 private:
  std::string ecu_;
  std::wstring wideEcu_;
  ID id_;
  StandinDataManager& dataManager_;
  // valuesMutex_ guards simulation_: commands change values that reads store,
  // and one ECU answers one query at a time.
  std::mutex valuesMutex_;
  Simulation simulation_;
};
