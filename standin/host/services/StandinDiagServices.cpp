#include "StandinDiagServices.h"

#include <cstring>
#include <pugixml.hpp>
#include <utility>

#include "BDomDataImpl.h"
#include "BSet.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
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

// The ECU's answer to this thread's last query, for the control panel's request log.
thread_local std::string tOutcome;

// A status as the page sees it: its word when the component shows one.
std::string statusText(int status) {
  const char* word = nullptr;
  if (status == StandinDiagServices::kTimeout)
    word = "TIMEOUT";
  else if (status == -14)
    word = "VCI DISCONNECTED";
  else if (status == -979 || status == -13 || status == -9)
    word = "INVALID QUERY";
  else if (status < 0)
    word = "UNKNOWN";
  return std::to_string(status) + (word != nullptr ? std::string(" ") + word : "");
}

void log(MakoraLog_Static::Level level, const std::string& message) {
  if (MakoraLog_Static::isEnabled(level)) StandinLog::write(level, "DiagServices", message);
}

}  // namespace

StandinDiagServices::StandinDiagServices(const std::string& ecu, StandinDataManager& dataManager,
                                         StandinDiagData& diagData)
    : ecu_(ecu),
      wideEcu_(pugi::as_wide(ecu)),
      id_(aceWide(L"diagServices:DiagServices?EcuDiag#" + wideEcu_)),
      dataManager_(dataManager),
      diagData_(diagData),
      clock_(&SimulationClock::steady()) {}

StandinDiagServices::~StandinDiagServices() = default;

void StandinDiagServices::setSimulation(Simulation simulation) {
  {
    std::lock_guard<std::mutex> lock(simulationGuard_);
    simulation_ = SimulatedEcu(std::move(simulation), clock_->now());
  }
  unknown_.clear();
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

// Named after the page's command that sends such a query, which is where the author looks.
void StandinDiagServices::reportUnknown(const Targets& targets) {
  for (const auto& [kind, name] : targets.items)
    if (!diagData_.describes(wideEcu_, kind, name))
      diagData_.reportUnknown("readSignal", ecu_, kind, pugi::as_utf8(name), unknown_);
  if (targets.commands.empty() && targets.rawFrames.empty()) return;
  std::vector<std::wstring> commands;
  std::vector<std::wstring> frames;
  std::vector<std::string> knownCommands;
  std::vector<std::string> knownFrames;
  {
    std::lock_guard<std::mutex> lock(simulationGuard_);
    const SimulatedEcu::Description& live = simulation_.live();
    for (const std::wstring& name : targets.commands)
      if (live.commands.count(name) == 0) commands.push_back(name);
    for (const std::wstring& frame : targets.rawFrames)
      if (live.rawFrames.count(frame) == 0) frames.push_back(frame);
    if (!commands.empty())
      for (const auto& [name, command] : live.commands)
        knownCommands.push_back(pugi::as_utf8(name));
    if (!frames.empty())
      for (const auto& [request, frame] : live.rawFrames)
        knownFrames.push_back(pugi::as_utf8(request));
  }
  for (const std::wstring& name : commands)
    unknown_.report("sendQuery", ecu_, "command", pugi::as_utf8(name), knownCommands);
  for (const std::wstring& frame : frames)
    unknown_.report("sendRawQuery", ecu_, "raw frame", pugi::as_utf8(frame), knownFrames);
}

std::string StandinDiagServices::takeOutcome() {
  return std::exchange(tOutcome, {});
}

// Stores what the query names, as the ECU answers it; the number of values stored.
int StandinDiagServices::store(const Targets& targets) {
  BSet states, parameters, identifications, commands, rawFrames;
  // The outcome is cut where the panel cuts it: a read of many items costs no more.
  tOutcome.clear();
  const auto note = [](const std::wstring& name, const std::string& what) {
    if (tOutcome.size() >= standin_limits::kPanelAnswerChars) return;
    tOutcome += (tOutcome.empty() ? "" : ", ") + pugi::as_utf8(name) + what;
  };
  std::lock_guard<std::mutex> lock(simulationGuard_);
  const Millis now = clock_->now();
  const auto values = simulation_.read(targets.items, now);
  auto value = values.begin();
  for (const SimulatedEcu::ItemKey& item : targets.items) {
    if (value == values.end() || value->first != item) {
      note(item.second, ": no value");
      continue;
    }
    const ACE_WString name = aceWide(item.second);
    if (const long* number = std::get_if<long>(&value->second)) {
      states.setInt(name, *number);
      note(item.second, "=" + std::to_string(*number));
    } else if (const double* real = std::get_if<double>(&value->second)) {
      parameters.setFloat(name, *real);
      note(item.second, "=" + std::to_string(*real));
    } else {
      const std::wstring& text = std::get<std::wstring>(value->second);
      identifications.setString(name, aceWide(text));
      note(item.second, "=" + pugi::as_utf8(text));
    }
    ++value;
  }
  const auto statuses = simulation_.runCommands(targets.commands, now);
  for (const auto& [name, status] : statuses) {
    commands.setInt(aceWide(name), status);
    note(name, ": status " + statusText(status));
  }
  if (statuses.size() < targets.commands.size()) note(L"", "a command it does not describe");
  const auto frames = simulation_.rawFrames(targets.rawFrames);
  for (const auto& [frame, hex] : frames) {
    rawFrames.setByteArray(aceWide(frame), BByteArray(hex.c_str()));
    note(frame, ": " + hex);
  }
  if (frames.size() < targets.rawFrames.size()) note(L"", "a frame it does not describe");
  const std::wstring base = L"data:/Auto/UCEs/" + wideEcu_;
  const std::pair<const wchar_t*, const BSet*> keys[] = {{L"/States", &states},
                                                         {L"/Parameters", &parameters},
                                                         {L"/Identifications", &identifications},
                                                         {L"/Commands", &commands},
                                                         {L"/RawFrames", &rawFrames}};
  for (const auto& [suffix, set] : keys)
    if (set->size() > 0) dataManager_.mergeSet(ID(aceWide(base + suffix)), *set);
  return static_cast<int>(values.size() + statuses.size() + frames.size());
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
  reportUnknown(targets);

  SimulatedEcu::Answer answer;
  SimulationClock* clock = nullptr;
  {
    std::lock_guard<std::mutex> lock(simulationGuard_);
    answer = simulation_.answerFor(targets);
    clock = clock_;
  }
  if (answer.noAnswer) {
    clock->sleepFor(answer.delayMs > 0 ? answer.delayMs : standin_limits::kNoAnswerWaitMs);
    tOutcome = "no answer: " + statusText(kTimeout);
    log(MakoraLog_Static::Information, what + "no answer, status " + std::to_string(kTimeout));
    return kTimeout;
  }
  if (answer.delayMs > 0) clock->sleepFor(answer.delayMs);
  int status = answer.refuse.value_or(known ? 0 : kInvalidQuery);

  int count = 0;
  if (status == 0)
    count = store(targets);
  else
    tOutcome = "refused: " + statusText(status);
  log(MakoraLog_Static::Information, what + "status " + std::to_string(status) + ", " +
                                         std::to_string(count) + " value(s) stored.");
  return status;
}
