#include "StandinDiagServices.h"

#include <cstring>
#include <pugixml.hpp>

#include "BDomDataImpl.h"
#include "BSet.h"
#include "StandinDataManager.h"
#include "StandinLog.h"
#include "WideText.h"

namespace {

using Simulation = StandinDiagServices::Simulation;

// What one query stores, one set per data key.
struct Stored {
  BSet states;
  BSet parameters;
  BSet identifications;
  BSet commands;
  BSet rawFrames;
  int count = 0;
};

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

// A read stores the simulated value of every named item that has one.
int runRead(const Simulation& sim, const std::vector<pugi::xml_node>& sets, Stored& out) {
  for (pugi::xml_node set : sets) {
    for (pugi::xml_node item : set.children()) {
      const std::wstring name = wide(item.attribute("name").value());
      const std::string element = item.name();
      if (element == "State") {
        if (auto v = sim.states.find(name); v != sim.states.end()) {
          out.states.setInt(aceWide(name), v->second);
          ++out.count;
        }
      } else if (element == "Parameter") {
        if (auto v = sim.parameters.find(name); v != sim.parameters.end()) {
          out.parameters.setFloat(aceWide(name), v->second);
          ++out.count;
        }
      } else if (element == "Identification") {
        if (auto v = sim.identifications.find(name); v != sim.identifications.end()) {
          out.identifications.setString(aceWide(name), aceWide(v->second));
          ++out.count;
        }
      }
    }
  }
  return 0;
}

void assign(Simulation& sim, const StandinDiagServices::Assignment& assignment) {
  switch (assignment.kind) {
    case StandinDiagServices::Kind::State:
      sim.states[assignment.item] = std::get<long>(assignment.value);
      break;
    case StandinDiagServices::Kind::Parameter:
      sim.parameters[assignment.item] = std::get<double>(assignment.value);
      break;
    case StandinDiagServices::Kind::Identification:
      sim.identifications[assignment.item] = std::get<std::wstring>(assignment.value);
      break;
  }
}

// A listed command that refuses refuses the whole query; otherwise each listed
// command stores its status and then applies its <set>s.
int runCommand(Simulation& sim, const std::vector<pugi::xml_node>& sets, Stored& out) {
  std::vector<std::pair<std::wstring, const StandinDiagServices::Command*>> listed;
  for (pugi::xml_node set : sets) {
    for (pugi::xml_node command : set.children("Command")) {
      const std::wstring name = wide(command.attribute("name").value());
      auto found = sim.commands.find(name);
      if (found == sim.commands.end()) continue;
      if (found->second.refuse) return *found->second.refuse;
      listed.emplace_back(name, &found->second);
    }
  }
  for (const auto& [name, command] : listed) {
    out.commands.setInt(aceWide(name), command->status);
    ++out.count;
    for (const auto& assignment : command->assignments) assign(sim, assignment);
  }
  return 0;
}

// The frame is Service/Start/Request/@val, matched exactly against the listed requests.
int runRawFrame(const Simulation& sim, const std::vector<pugi::xml_node>& sets, Stored& out) {
  std::vector<std::pair<std::wstring, const StandinDiagServices::RawFrame*>> listed;
  for (pugi::xml_node set : sets)
    for (pugi::xml_node service : set.children("Service"))
      for (pugi::xml_node start : service.children("Start"))
        for (pugi::xml_node request : start.children("Request")) {
          const std::wstring frame = wide(request.attribute("val").value());
          auto found = sim.rawFrames.find(frame);
          if (found == sim.rawFrames.end()) continue;
          if (found->second.refuse) return *found->second.refuse;
          listed.emplace_back(frame, &found->second);
        }
  for (const auto& [frame, rawFrame] : listed) {
    out.rawFrames.setByteArray(aceWide(frame), BByteArray(rawFrame->responseHex.c_str()));
    ++out.count;
  }
  return 0;
}

}  // namespace

StandinDiagServices::StandinDiagServices(const std::string& ecu, StandinDataManager& dataManager)
    : ecu_(ecu),
      wideEcu_(pugi::as_wide(ecu)),
      id_(aceWide(L"diagServices:DiagServices?EcuDiag#" + wideEcu_)),
      dataManager_(dataManager) {}

StandinDiagServices::~StandinDiagServices() = default;

void StandinDiagServices::setSimulation(Simulation simulation) {
  std::lock_guard<std::mutex> lock(valuesMutex_);
  simulation_ = std::move(simulation);
}

const ID& StandinDiagServices::getID() const {
  return id_;
}

int StandinDiagServices::executeQuery(const DRQuery& query) {
  const pugi::xml_node root = query.impl().root();
  const std::string requestType = root.attribute("requestType").value();
  const std::string queryId = root.attribute("queryId").value();
  if (std::strcmp(root.name(), "Query") != 0) {
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::Warning))
      StandinLog::write(MakoraLog_Static::Warning, "DiagServices",
                        "[DiagServices::executeQuery]: ECU " + ecu_ + ": unreadable query.");
    return kInvalidQuery;
  }

  Stored stored;
  int status = 0;
  {
    std::lock_guard<std::mutex> lock(valuesMutex_);
    const std::vector<pugi::xml_node> sets = dataSetsOf(root, ecu_);
    if (simulation_.refuse)
      status = *simulation_.refuse;
    else if (requestType == "read")
      status = runRead(simulation_, sets, stored);
    else if (requestType == "command")
      status = runCommand(simulation_, sets, stored);
    else if (requestType == "rawframe")
      status = runRawFrame(simulation_, sets, stored);
    else
      status = kInvalidQuery;

    if (status == 0) {
      const std::wstring base = L"data:/Auto/UCEs/" + wideEcu_;
      const std::pair<const wchar_t*, const BSet*> keys[] = {
          {L"/States", &stored.states},
          {L"/Parameters", &stored.parameters},
          {L"/Identifications", &stored.identifications},
          {L"/Commands", &stored.commands},
          {L"/RawFrames", &stored.rawFrames}};
      for (const auto& [suffix, set] : keys)
        if (set->size() > 0) dataManager_.mergeSet(ID(aceWide(base + suffix)), *set);
    }
  }
  if (MakoraLog_Static::isEnabled(MakoraLog_Static::Information))
    StandinLog::write(MakoraLog_Static::Information, "DiagServices",
                      "[DiagServices::executeQuery]: ECU " + ecu_ + ", " + requestType + " query " +
                          queryId + ": status " + std::to_string(status) + ", " +
                          std::to_string(stored.count) + " value(s) stored.");
  return status;
}
