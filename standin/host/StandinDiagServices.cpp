#include "StandinDiagServices.h"

#include <cstring>
#include <pugixml.hpp>

#include "BDomDataImpl.h"
#include "BSet.h"
#include "StandinDataManager.h"
#include "StandinLimits.h"
#include "StandinLog.h"
#include "WideText.h"

namespace {

using Targets = SimulatedEcu::Targets;

std::wstring wide(const char* utf8) {
  return pugi::as_wide(utf8);
}

// The query's ECU data sets for this ECU; a data set without a name is taken as this ECU's.
std::vector<pugi::xml_node> dataSetsOf(pugi::xml_node query, const std::string& ecu) {
  std::vector<pugi::xml_node> sets;
  for (pugi::xml_node set : query.children("EcuDataSet")) {
    const char* name = set.attribute("name").value();
    if (*name == '\0' || ecu == name) sets.push_back(set);
  }
  return sets;
}

// What a query names: items of a read, commands, or the frames at
// Service/Start/Request/@val of a raw-frame query.
Targets targetsOf(const std::string& requestType, const std::vector<pugi::xml_node>& sets) {
  static const std::pair<const char*, SimulatedEcu::Kind> kItems[] = {
      {"State", SimulatedEcu::Kind::State},
      {"Parameter", SimulatedEcu::Kind::Parameter},
      {"Identification", SimulatedEcu::Kind::Identification}};
  Targets targets;
  for (pugi::xml_node set : sets) {
    if (requestType == "read") {
      for (pugi::xml_node item : set.children())
        for (const auto& [element, kind] : kItems)
          if (std::strcmp(item.name(), element) == 0)
            targets.items.emplace_back(kind, wide(item.attribute("name").value()));
    } else if (requestType == "command") {
      for (pugi::xml_node command : set.children("Command"))
        targets.commands.push_back(wide(command.attribute("name").value()));
    } else if (requestType == "rawframe") {
      for (pugi::xml_node service : set.children("Service"))
        for (pugi::xml_node start : service.children("Start"))
          for (pugi::xml_node request : start.children("Request"))
            targets.rawFrames.push_back(wide(request.attribute("val").value()));
    }
  }
  return targets;
}

void log(MakoraLog_Static::Level level, const std::string& message) {
  if (MakoraLog_Static::isEnabled(level)) StandinLog::write(level, "DiagServices", message);
}

}  // namespace

StandinDiagServices::StandinDiagServices(const std::string& ecu, StandinDataManager& dataManager)
    : ecu_(ecu),
      wideEcu_(pugi::as_wide(ecu)),
      id_(aceWide(L"diagServices:DiagServices?EcuDiag#" + wideEcu_)),
      dataManager_(dataManager),
      clock_(&SimulationClock::steady()) {}

StandinDiagServices::~StandinDiagServices() = default;

void StandinDiagServices::setSimulation(Simulation simulation) {
  std::lock_guard<std::mutex> lock(simulationGuard_);
  simulation_ = SimulatedEcu(std::move(simulation), clock_->now());
}

void StandinDiagServices::reset() {
  std::lock_guard<std::mutex> lock(simulationGuard_);
  simulation_.reset(clock_->now());
}

void StandinDiagServices::setClock(SimulationClock& clock) {
  std::lock_guard<std::mutex> lock(simulationGuard_);
  clock_ = &clock;
  simulation_.reset(clock_->now());
}

void StandinDiagServices::change(const std::function<void(SimulatedEcu& ecu, Millis now)>& edit) {
  std::lock_guard<std::mutex> lock(simulationGuard_);
  edit(simulation_, clock_->now());
}

const ID& StandinDiagServices::getID() const {
  return id_;
}

int StandinDiagServices::executeQuery(const DRQuery& query) {
  const pugi::xml_node root = query.impl().root();
  const std::string requestType = root.attribute("requestType").value();
  const std::string queryId = root.attribute("queryId").value();
  const std::string what =
      "[DiagServices::executeQuery]: ECU " + ecu_ + ", " + requestType + " query " + queryId + ": ";
  if (std::strcmp(root.name(), "Query") != 0) {
    log(MakoraLog_Static::Warning,
        "[DiagServices::executeQuery]: ECU " + ecu_ + ": unreadable query.");
    return kInvalidQuery;
  }
  const bool known = requestType == "read" || requestType == "command" || requestType == "rawframe";
  const Targets targets = targetsOf(requestType, dataSetsOf(root, ecu_));

  SimulatedEcu::Answer answer;
  SimulationClock* clock = nullptr;
  {
    std::lock_guard<std::mutex> lock(simulationGuard_);
    answer = simulation_.answerFor(targets);
    clock = clock_;
  }
  if (answer.noAnswer) {
    clock->sleepFor(answer.delayMs > 0 ? answer.delayMs : standin_limits::kNoAnswerWaitMs);
    log(MakoraLog_Static::Information, what + "no answer, status " + std::to_string(kTimeout));
    return kTimeout;
  }
  if (answer.delayMs > 0) clock->sleepFor(answer.delayMs);
  int status = answer.refuse.value_or(known ? 0 : kInvalidQuery);

  int count = 0;
  if (status == 0) {
    BSet states, parameters, identifications, commands, rawFrames;
    std::lock_guard<std::mutex> lock(simulationGuard_);
    const Millis now = clock_->now();
    for (const auto& [item, value] : simulation_.read(targets.items, now)) {
      const ACE_WString name = aceWide(item.second);
      if (const long* number = std::get_if<long>(&value))
        states.setInt(name, *number);
      else if (const double* real = std::get_if<double>(&value))
        parameters.setFloat(name, *real);
      else
        identifications.setString(name, aceWide(std::get<std::wstring>(value)));
      ++count;
    }
    for (const auto& [name, commandStatus] : simulation_.runCommands(targets.commands, now)) {
      commands.setInt(aceWide(name), commandStatus);
      ++count;
    }
    for (const auto& [frame, hex] : simulation_.rawFrames(targets.rawFrames)) {
      rawFrames.setByteArray(aceWide(frame), BByteArray(hex.c_str()));
      ++count;
    }
    const std::wstring base = L"data:/Auto/UCEs/" + wideEcu_;
    const std::pair<const wchar_t*, const BSet*> keys[] = {{L"/States", &states},
                                                           {L"/Parameters", &parameters},
                                                           {L"/Identifications", &identifications},
                                                           {L"/Commands", &commands},
                                                           {L"/RawFrames", &rawFrames}};
    for (const auto& [suffix, set] : keys)
      if (set->size() > 0) dataManager_.mergeSet(ID(aceWide(base + suffix)), *set);
  }
  log(MakoraLog_Static::Information, what + "status " + std::to_string(status) + ", " +
                                         std::to_string(count) + " value(s) stored.");
  return status;
}
