#include "PanelModel.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <pugixml.hpp>

#include "BSet.h"
#include "ID.h"
#include "MaskCheck.h"
#include "StandinComponentManager.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
#include "StandinDiagServices.h"
#include "StandinHost.h"
#include "StandinTextService.h"
#include "WideText.h"
#include "mask/ExpressionStore.h"
#include "mask/SyntaxInterpreter.h"

// What the panel shows; its changes are in PanelModelChange.cpp.

namespace {

using nlohmann::json;
using Answer = SimulatedEcu::Answer;
using Millis = SimulationClock::Millis;

std::string utf8(const std::wstring& text) {
  return pugi::as_utf8(text);
}

std::wstring wide(const std::string& text) {
  return pugi::as_wide(text);
}

std::string fixed(double value, int decimals) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

json answerJson(const Answer& answer) {
  json out;
  out["mode"] = answer.noAnswer ? "none" : answer.refuse ? "refuse" : "normal";
  out["status"] = answer.refuse ? json(*answer.refuse) : json(nullptr);
  out["delay"] = answer.delayMs;
  return out;
}

// A value as the view shows values; null for none.
json plain(const std::optional<SimulatedEcu::Value>& value) {
  if (!value) return nullptr;
  if (const long* number = std::get_if<long>(&*value)) return *number;
  if (const double* real = std::get_if<double>(&*value)) return *real;
  return utf8(std::get<std::wstring>(*value));
}

// A state's value as the page shows it: the text of its interpretation's entry, else the number.
std::string stateDisplay(long number, const StandinDiagData::Description& item,
                         StandinTextService& texts) {
  std::string display = std::to_string(number);
  if (item.interpretation)
    for (const auto& correspondance : *item.interpretation)
      if (correspondance.value == display) {
        ACE_WString text;
        texts.lookupText(text, aceWide(wide(correspondance.codetext)),
                         aceWide(wide(correspondance.defaultText)));
        return utf8(stdWide(text));
      }
  return display;
}

// An item's value as stored, as raw text and as the page shows it; null for none.
void addValue(json& entry, const StandinDiagData::Description& item,
              const std::optional<SimulatedEcu::Value>& value, StandinTextService& texts) {
  entry["value"] = nullptr;
  entry["raw"] = nullptr;
  entry["display"] = nullptr;
  if (!value) return;
  if (const long* number = std::get_if<long>(&*value)) {
    entry["value"] = *number;
    entry["raw"] = std::to_string(*number);
    entry["display"] = stateDisplay(*number, item, texts);
  } else if (const double* real = std::get_if<double>(&*value)) {
    entry["value"] = *real;
    entry["raw"] = fixed(*real, 6);
    const int decimals = item.format ? std::atoi(item.format->c_str()) : 0;
    entry["display"] = fixed(*real, decimals < 0 ? 0 : decimals);
  } else {
    const std::string text = utf8(std::get<std::wstring>(*value));
    entry["value"] = text;
    entry["raw"] = text;
    entry["display"] = text;
  }
}

json behaviourJson(SimulatedEcu& ecu, const SimulatedEcu::ItemKey& key, Millis now) {
  const auto behaviour = ecu.live().behaviours.find(key);
  if (behaviour == ecu.live().behaviours.end()) return nullptr;
  return json{
      {"shape", behaviour->second.shape == SimulationBehaviour::Shape::Ramp ? "ramp" : "sequence"},
      {"startedBy", utf8(behaviour->second.startedBy)},
      {"moving", ecu.isMoving(key, now)}};
}

// One item of the view; masks: what applicability() worked out.
json itemJson(const StandinDiagData::Description& item, SimulatedEcu& ecu, Millis now,
              const json& masks, StandinTextService& texts) {
  const SimulatedEcu::ItemKey key{item.kind, wide(item.name)};
  json entry;
  entry["kind"] = StandinDiagData::kindName(item.kind);
  entry["name"] = item.name;
  entry["mask"] = item.mask ? json(*item.mask) : json(nullptr);
  const std::string maskKey = std::string(StandinDiagData::kindName(item.kind)) + "/" + item.name;
  entry["applicable"] = masks["items"].value(maskKey, true);
  entry["maskProblem"] = masks["problems"].value(maskKey, json(nullptr));
  entry["answer"] = answerJson(ecu.itemAnswer(key));
  entry["changed"] = ecu.itemChanged(key);
  entry["fileValue"] = plain(ecu.fileValue(key));
  entry["behaviour"] = behaviourJson(ecu, key, now);
  addValue(entry, item, ecu.valueOf(key, now), texts);
  return entry;
}

json commandsJson(const SimulatedEcu& ecu) {
  json out = json::array();
  for (const auto& [name, command] : ecu.live().commands)
    out.push_back(
        {{"name", utf8(name)},
         {"value", command.status},
         {"fileValue", ecu.described().commands.at(name).status},
         {"changed", ecu.commandChanged(name)},
         {"answer", answerJson(Answer{command.refuse, command.noAnswer, command.delayMs})}});
  return out;
}

json rawFramesJson(const SimulatedEcu& ecu) {
  json out = json::array();
  for (const auto& [request, frame] : ecu.live().rawFrames)
    out.push_back({{"request", utf8(request)},
                   {"response", frame.responseHex},
                   {"fileResponse", ecu.described().rawFrames.at(request).responseHex},
                   {"changed", ecu.rawFrameChanged(request)},
                   {"answer", answerJson(Answer{frame.refuse, frame.noAnswer, frame.delayMs})}});
  return out;
}

}  // namespace

PanelModel::PanelModel(StandinHost& host, std::string ecu)
    : host_(host), ecu_(std::move(ecu)), interpreter_(std::make_unique<SyntaxInterpreter>()) {}

PanelModel::~PanelModel() = default;

StandinDiagServices* PanelModel::services() const {
  IComponent* component = nullptr;
  const ID id(aceWide(L"diagServices:DiagServices?EcuDiag#" + wide(ecu_)));
  if (StandinComponentManager::instance().getComponent(id, &component) != 0) return nullptr;
  return dynamic_cast<StandinDiagServices*>(component);
}

// Each item's mask worked out as the component does, from the same variables.
json PanelModel::applicability() const {
  std::lock_guard<std::mutex> lock(maskGuard_);
  SyntaxInterpreter& interpreter = *interpreter_;
  json variables = json::array();
  BSet set(0);
  const ID key(aceWide(L"data:/Auto/InternalOwner/UCEs/" + wide(ecu_) + L"/States"));
  if (host_.dataManager().readSet(key, set) == 0) {
    const StringSet names = set.getAllKeys();
    for (int index = 0; index < names.length(); ++index) {
      ACE_WString name;
      names.getAt(index, name);
      long value = 0;
      const bool integer = set.getInt(name, value) == 0;
      const std::string narrow = utf8(stdWide(name));
      interpreter.getStore()->setVariable(narrow.c_str(), integer ? value : 0, 0);
      variables.push_back({{"name", narrow}, {"value", integer ? json(value) : json(nullptr)}});
    }
  }
  json items = json::object();
  json problems = json::object();
  for (const StandinDiagData::Description& item : host_.diagData().descriptionsOf(ecu_)) {
    bool applicable = true;
    const std::string itemKey = std::string(StandinDiagData::kindName(item.kind)) + "/" + item.name;
    if (item.mask) {
      double result = 0;
      applicable = interpreter.evaluate(item.mask->c_str(), result) >= 0 && std::isfinite(result) &&
                   std::trunc(result) == 1;
      if (std::string problem = maskProblem(interpreter, *item.mask); !problem.empty())
        problems[itemKey] = problem;
    }
    items[itemKey] = applicable;
  }
  return json{{"variables", variables}, {"items", items}, {"problems", problems}};
}

json PanelModel::view() const {
  json out;
  out["ecu"] = ecu_;
  const json masks = applicability();
  out["maskVariables"] = masks["variables"];
  StandinDiagServices* simulation = services();
  out["described"] = simulation != nullptr;
  out["items"] = json::array();
  out["commands"] = json::array();
  out["rawFrames"] = json::array();
  if (simulation == nullptr) return out;

  const std::vector<StandinDiagData::Description> items = host_.diagData().descriptionsOf(ecu_);
  simulation->change([&](SimulatedEcu& ecu, Millis now) {
    out["answer"] = answerJson(ecu.ecuAnswer());
    out["answerChanged"] = ecu.ecuAnswerChanged();
    for (const StandinDiagData::Description& item : items)
      out["items"].push_back(itemJson(item, ecu, now, masks, host_.textService()));
    out["commands"] = commandsJson(ecu);
    out["rawFrames"] = rawFramesJson(ecu);
  });
  return out;
}

void PanelModel::reset() {
  if (StandinDiagServices* simulation = services()) simulation->reset();
}
