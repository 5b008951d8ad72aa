// What the panel changes: one row per kind of target, every change checked whole before any of
// it applies.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <pugixml.hpp>

#include "BSet.h"
#include "ID.h"
#include "PanelModel.h"
#include "StandinDataManager.h"
#include "StandinDiagServices.h"
#include "StandinHost.h"
#include "StandinLimits.h"
#include "WideText.h"

namespace {

using nlohmann::json;
using Kind = StandinDiagData::Kind;
using Answer = SimulatedEcu::Answer;
using Millis = SimulationClock::Millis;

std::wstring wide(const std::string& text) {
  return pugi::as_wide(text);
}

PanelModel::Reply reply(int status, const json& body) {
  return PanelModel::Reply{status, body.dump(), false};
}

PanelModel::Reply error(int status, const std::string& message) {
  return reply(status, json{{"error", message}});
}

// An integer JSON number from low to high (high not negative). The library keeps numbers
// above the signed range as unsigned ones, which a signed read would wrap.
std::optional<std::int64_t> integerIn(const json& value, std::int64_t low, std::int64_t high) {
  if (value.is_number_unsigned()) {
    const std::uint64_t number = value.get<std::uint64_t>();
    if (number > static_cast<std::uint64_t>(high)) return std::nullopt;
    return static_cast<std::int64_t>(number);
  }
  if (!value.is_number_integer()) return std::nullopt;
  const std::int64_t number = value.get<std::int64_t>();
  if (number < low || number > high) return std::nullopt;
  return number;
}

constexpr std::int64_t kLongMin = std::numeric_limits<long>::min();
constexpr std::int64_t kLongMax = std::numeric_limits<long>::max();
constexpr std::int64_t kIntMin = std::numeric_limits<int>::min();
constexpr std::int64_t kIntMax = std::numeric_limits<int>::max();

// mode, status and delay of a change; fields left out keep their setting.
bool readAnswer(const json& body, Answer& answer, std::string& problem) {
  if (body.contains("mode")) {
    const json& mode = body["mode"];
    if (mode == "normal") {
      answer.refuse.reset();
      answer.noAnswer = false;
    } else if (mode == "none") {
      answer.refuse.reset();
      answer.noAnswer = true;
    } else if (mode == "refuse") {
      const std::optional<std::int64_t> status =
          integerIn(body.value("status", json()), kIntMin, kIntMax);
      if (!status || *status == 0) {
        problem = "a refusal needs a non-zero integer status from " + std::to_string(kIntMin) +
                  " to " + std::to_string(kIntMax);
        return false;
      }
      answer.refuse = static_cast<int>(*status);
      answer.noAnswer = false;
    } else {
      problem = "mode must be normal, refuse or none";
      return false;
    }
  } else if (body.contains("status")) {
    problem = "status goes with mode refuse";
    return false;
  }
  if (body.contains("delay")) {
    const std::optional<std::int64_t> delay =
        integerIn(body["delay"], 0, standin_limits::kMaxDelayMs);
    if (!delay) {
      problem = "delay must be an integer from 0 to " +
                std::to_string(standin_limits::kMaxDelayMs) + " ms";
      return false;
    }
    answer.delayMs = *delay;
  }
  return true;
}

// A JSON value of the item's type: an integer, a number or a text.
bool readValue(Kind kind, const json& value, SimulatedEcu::Value& out) {
  if (kind == Kind::State) {
    const std::optional<std::int64_t> number = integerIn(value, kLongMin, kLongMax);
    if (number) out = static_cast<long>(*number);
    return number.has_value();
  }
  if (kind == Kind::Parameter && value.is_number() && std::isfinite(value.get<double>())) {
    out = value.get<double>();
    return true;
  }
  if (kind == Kind::Identification && value.is_string()) {
    out = wide(value.get<std::string>());
    return true;
  }
  return false;
}

const std::string kValueTypes[] = {
    "an integer from " + std::to_string(kLongMin) + " to " + std::to_string(kLongMax), "a number",
    "a text"};

// Hexadecimal digits, two per byte, as a raw frame's response; upper case, as the page gets them.
bool readResponse(const json& value, std::string& hex) {
  if (!value.is_string()) return false;
  hex = value.get<std::string>();
  if (hex.empty() || hex.size() % 2 != 0) return false;
  for (char& c : hex) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return true;
}

}  // namespace

// A change as read from its body, applied only once all of it is checked.
struct PanelModel::Edit {
  std::string name;
  std::wstring wideName;
  SimulatedEcu::ItemKey key;  // items only
  Answer answer;
  std::optional<SimulatedEcu::Value> value;  // items
  std::optional<int> status;                 // commands
  std::optional<std::string> response;       // raw frames
  std::string behaviour;                     // items: "start" or "stop"
};

// One kind of thing the panel changes: how its answer is found, what it takes besides, how a
// change and a reset are applied.
struct PanelModel::Target {
  const char* word;          // as in the panel's address
  const char* noun;          // as a message names one
  std::optional<Kind> kind;  // the described items
  // Its answer now; none when the ECU has no such thing.
  std::optional<Answer> (*answerOf)(const SimulatedEcu& ecu, const Edit& edit);
  // Reads a "value": empty, or why it cannot be taken. None: it has no value.
  std::string (*readValue)(const std::string& word, const json& value, Edit& edit);
  bool hasResponse;
  void (*apply)(SimulatedEcu& ecu, const Edit& edit, Millis now);
  // False when the ECU has no such thing.
  bool (*reset)(SimulatedEcu& ecu, const Edit& edit, Millis now);
};

namespace {

using Edit = PanelModel::Edit;

std::optional<Answer> itemAnswer(const SimulatedEcu& ecu, const Edit& edit) {
  return ecu.itemAnswer(edit.key);
}

std::string readItemValue(const std::string& word, const json& value, Edit& edit) {
  SimulatedEcu::Value read;
  if (!readValue(edit.key.first, value, read))
    return "the value of a " + word + " must be " + kValueTypes[static_cast<int>(edit.key.first)];
  edit.value = read;
  return {};
}

void applyItem(SimulatedEcu& ecu, const Edit& edit, Millis now) {
  ecu.setItemAnswer(edit.key, edit.answer);
  if (edit.value) ecu.setValue(edit.key, *edit.value, now);
  if (edit.behaviour == "start") ecu.startBehaviour(edit.key, now);
  if (edit.behaviour == "stop") ecu.stopBehaviour(edit.key, now);
}

bool resetItem(SimulatedEcu& ecu, const Edit& edit, Millis now) {
  ecu.resetItem(edit.key, now);
  return true;
}

// Commands and raw frames: the ECU lists them by name, each with its answer and one field more
// (a status, a response) that a change may set.
template <auto entries>
std::optional<Answer> listedAnswer(const SimulatedEcu& ecu, const Edit& edit) {
  const auto found = (ecu.live().*entries).find(edit.wideName);
  if (found == (ecu.live().*entries).end()) return std::nullopt;
  return Answer{found->second.refuse, found->second.noAnswer, found->second.delayMs};
}

template <auto setAnswer, auto field, auto setField>
void applyListed(SimulatedEcu& ecu, const Edit& edit, Millis) {
  (ecu.*setAnswer)(edit.wideName, edit.answer);
  if (edit.*field) (ecu.*setField)(edit.wideName, *(edit.*field));
}

template <auto reset>
bool resetListed(SimulatedEcu& ecu, const Edit& edit, Millis) {
  return (ecu.*reset)(edit.wideName);
}

std::string readStatus(const std::string&, const json& value, Edit& edit) {
  const std::optional<std::int64_t> status = integerIn(value, kIntMin, kIntMax);
  if (!status)
    return "the value of a command is its integer status, from " + std::to_string(kIntMin) +
           " to " + std::to_string(kIntMax);
  edit.status = static_cast<int>(*status);
  return {};
}

const PanelModel::Target kTargets[] = {
    {"state", "state", Kind::State, itemAnswer, readItemValue, false, applyItem, resetItem},
    {"parameter", "parameter", Kind::Parameter, itemAnswer, readItemValue, false, applyItem,
     resetItem},
    {"identification", "identification", Kind::Identification, itemAnswer, readItemValue, false,
     applyItem, resetItem},
    {"ecu", "ECU", std::nullopt,
     [](const SimulatedEcu& ecu, const Edit&) -> std::optional<Answer> { return ecu.ecuAnswer(); },
     nullptr, false,
     [](SimulatedEcu& ecu, const Edit& edit, Millis) { ecu.setEcuAnswer(edit.answer); },
     [](SimulatedEcu& ecu, const Edit&, Millis) {
       ecu.resetEcuAnswer();
       return true;
     }},
    {"command", "command", std::nullopt, listedAnswer<&SimulatedEcu::Description::commands>,
     readStatus, false,
     applyListed<&SimulatedEcu::setCommandAnswer, &Edit::status, &SimulatedEcu::setCommandStatus>,
     resetListed<&SimulatedEcu::resetCommand>},
    {"rawframe", "raw frame", std::nullopt, listedAnswer<&SimulatedEcu::Description::rawFrames>,
     nullptr, true,
     applyListed<&SimulatedEcu::setRawFrameAnswer, &Edit::response,
                 &SimulatedEcu::setRawFrameResponse>,
     resetListed<&SimulatedEcu::resetRawFrame>},
};

PanelModel::Reply noSuch(const char* noun, const std::string& name, const std::string& ecu) {
  return error(404, "no " + std::string(noun) + " " + name + " in ECU " + ecu);
}

// Everything the body asks, checked against the live simulation before anything changes: a
// refusal, or a reply with no body.
PanelModel::Reply check(const PanelModel::Target& target, const json& body, const SimulatedEcu& ecu,
                        const std::string& ecuName, Edit& edit) {
  const std::optional<Answer> answer = target.answerOf(ecu, edit);
  if (!answer) return noSuch(target.noun, edit.name, ecuName);
  edit.answer = *answer;
  std::string problem;
  if (!readAnswer(body, edit.answer, problem)) return error(400, problem);
  if (body.contains("value")) {
    if (target.readValue == nullptr)
      return error(400, "a " + std::string(target.word) + " has no value to set");
    if (problem = target.readValue(target.word, body["value"], edit); !problem.empty())
      return error(400, problem);
  }
  if (body.contains("response")) {
    std::string hex;
    if (!target.hasResponse || !readResponse(body["response"], hex))
      return error(400, target.hasResponse ? "a response is hexadecimal digits, two per byte"
                                           : "only a raw frame has a response");
    edit.response = hex;
  }
  if (body.contains("behaviour")) {
    edit.behaviour = body["behaviour"].is_string() ? body["behaviour"].get<std::string>() : "";
    if (!target.kind || (edit.behaviour != "start" && edit.behaviour != "stop") ||
        ecu.live().behaviours.count(edit.key) == 0)
      return error(400, "behaviour is start or stop, for an item that has one");
  }
  return {};
}

}  // namespace

PanelModel::Reply PanelModel::change(const std::string& word, const std::string& name,
                                     const std::string& text) {
  const json body = json::parse(text, nullptr, false);
  if (body.is_discarded() || !body.is_object()) return error(400, "the body must be a JSON object");
  if (word == "mask") return changeMask(name, body);
  const Target* target = nullptr;
  for (const Target& row : kTargets)
    if (word == row.word) target = &row;
  if (target == nullptr) return error(404, "no such target: " + word);

  StandinDiagServices* simulation = services();
  if (simulation == nullptr) return error(404, "ECU " + ecu_ + " is not described");
  Edit edit;
  edit.name = name;
  edit.wideName = wide(name);
  edit.key = {target->kind.value_or(Kind::State), edit.wideName};
  if (target->kind && !describes(*target->kind, name)) return noSuch(target->noun, name, ecu_);
  if (body.contains("reset")) return resetOne(*simulation, *target, edit, body);

  Reply outcome;
  simulation->change([&](SimulatedEcu& ecu, Millis now) {
    outcome = check(*target, body, ecu, ecu_, edit);
    if (outcome.body.empty()) target->apply(ecu, edit, now);
  });
  return outcome.body.empty() ? reply(200, view()) : outcome;
}

bool PanelModel::describes(Kind kind, const std::string& name) const {
  for (const auto& item : host_.diagData().descriptionsOf(ecu_))
    if (item.kind == kind && item.name == name) return true;
  return false;
}

// One item, command, frame or the ECU's answer back to the data file's.
PanelModel::Reply PanelModel::resetOne(StandinDiagServices& simulation, const Target& target,
                                       const Edit& edit, const json& body) {
  if (body.size() != 1 || body["reset"] != true)
    return error(400, "reset goes alone: {\"reset\": true}");
  bool found = true;
  simulation.change([&](SimulatedEcu& ecu, Millis now) { found = target.reset(ecu, edit, now); });
  return found ? reply(200, view()) : noSuch(target.noun, edit.name, ecu_);
}

// A mask variable is an integer entry of the ECU's state set.
PanelModel::Reply PanelModel::changeMask(const std::string& name, const json& body) {
  if (name.empty()) return error(400, "a mask variable needs a name");
  const std::optional<std::int64_t> value =
      body.contains("value") ? integerIn(body["value"], kLongMin, kLongMax) : std::nullopt;
  if (!value)
    return error(400, "the value of a mask variable is an integer from " +
                          std::to_string(kLongMin) + " to " + std::to_string(kLongMax));
  const json before = applicability()["items"];
  BSet entry(0);
  entry.setInt(aceWide(wide(name)), static_cast<long>(*value));
  host_.dataManager().mergeSet(
      ID(aceWide(L"data:/Auto/InternalOwner/UCEs/" + wide(ecu_) + L"/States")), entry);
  json out = view();
  const json after = applicability()["items"];
  json changed = json::array();
  for (const auto& [item, applicable] : after.items())
    if (before.value(item, !applicable.get<bool>()) != applicable.get<bool>())
      changed.push_back({{"kind", item.substr(0, item.find('/'))},
                         {"name", item.substr(item.find('/') + 1)},
                         {"applicable", applicable}});
  out["applicabilityChanged"] = changed;
  Reply outcome = reply(200, out);
  outcome.masksChanged = true;
  return outcome;
}
