// The <ecu> element: its items, commands, raw frames and the behaviours of its items.
#include <cmath>
#include <cstring>

#include "HostFileReader.h"
#include "StandinLimits.h"

namespace {

using ValueKind = HostFileReader::ValueKind;

struct ItemElement {
  const char* name;
  StandinDiagData::Kind kind;
  ValueKind valueKind;
};
constexpr ItemElement kItemElements[] = {
    {"state", StandinDiagData::Kind::State, ValueKind::Integer},
    {"parameter", StandinDiagData::Kind::Parameter, ValueKind::Real},
    {"identification", StandinDiagData::Kind::Identification, ValueKind::Text}};

const ItemElement* itemElement(const char* name) {
  for (const ItemElement& entry : kItemElements)
    if (std::strcmp(entry.name, name) == 0) return &entry;
  return nullptr;
}

const ItemElement& itemElement(StandinDiagData::Kind kind) {
  for (const ItemElement& entry : kItemElements)
    if (entry.kind == kind) return entry;
  return kItemElements[0];
}

}  // namespace

// <ecu name refuse>: items first, then commands and frames, which may name any item.
bool HostFileReader::readEcu(pugi::xml_node ecu, HostContent& content) {
  std::string name;
  if (!attributes(ecu, {"name", "refuse", "delay"}) || !required(ecu, "name", name)) return false;
  if (!once(ecus_, name, ecu, "<ecu name=\"" + name + "\">")) return false;
  Simulation sim;
  std::vector<Description> items;
  ItemNames names;
  Seen seen;  // items, commands and frames of this <ecu>, by element and name
  if (!optionalStatus(ecu, "refuse", sim.refuse) || !optionalDelay(ecu, sim.delayMs)) return false;

  for (pugi::xml_node item : elements(ecu)) {
    if (stopped()) return false;
    if (itemElement(item.name()) != nullptr) {
      if (!readItem(item, sim, items, names, seen)) return false;
    } else if (std::strcmp(item.name(), "command") != 0 &&
               std::strcmp(item.name(), "rawframe") != 0) {
      return unknown(item, ecu);
    }
  }
  for (pugi::xml_node item : elements(ecu)) {
    if (std::strcmp(item.name(), "command") == 0 && !readCommand(item, names, sim, seen))
      return false;
    if (std::strcmp(item.name(), "rawframe") == 0 && !readRawFrame(item, sim, seen)) return false;
  }
  // Behaviours last: they name the items their end sets and the command that starts them.
  for (pugi::xml_node item : elements(ecu)) {
    const ItemElement* element = itemElement(item.name());
    if (element == nullptr) continue;
    for (pugi::xml_node child : elements(item))
      if (isBehaviour(child.name()) &&
          !readBehaviour(child, element->kind, item.attribute("name").value(), names, sim))
        return false;
  }
  content.descriptions[name] = std::move(items);
  content.simulations[name] = std::move(sim);
  return true;
}

// <state>, <parameter>, <identification>: description and simulated value.
bool HostFileReader::readItem(pugi::xml_node node, Simulation& sim, std::vector<Description>& items,
                              ItemNames& names, Seen& seen) {
  const ItemElement& element = *itemElement(node.name());
  const std::string kindName = element.name;
  Description item;
  item.kind = element.kind;
  const bool ok = item.kind == Kind::Parameter
                      ? attributes(node, {"name", "value", "format", "delay"})
                      : attributes(node, {"name", "value", "delay"});
  if (!ok || !required(node, "name", item.name) ||
      !once(seen, kindName + " " + item.name, node,
            "<" + kindName + " name=\"" + item.name + "\">"))
    return false;
  names.emplace(item.kind, item.name);
  if (pugi::xml_attribute format = node.attribute("format")) {
    Value decimals;
    if (!typed(node, format.value(), ValueKind::Count, decimals)) return false;
    item.format = std::to_string(std::get<long>(decimals));
  }
  SimulatedEcu::Answer answer;
  if (!optionalDelay(node, answer.delayMs)) return false;
  if (answer.delayMs > 0) sim.items[{item.kind, pugi::as_wide(item.name)}] = answer;

  bool hasBehaviour = false;
  for (pugi::xml_node child : elements(node)) {
    const std::string childName = child.name();
    if (isBehaviour(child.name()) &&
        (childName == "sequence" || item.kind != Kind::Identification)) {
      if (hasBehaviour) return fail(child, "second <ramp> or <sequence> in <" + kindName + ">");
      hasBehaviour = true;  // read once every item and command is known
    } else if (childName == "mask") {
      if (item.mask) return fail(child, "second <mask> in <" + kindName + ">");
      if (!attributes(child, {}) || !leaf(child)) return false;
      item.mask = trimmed(textOf(child));
    } else if (childName == "interpretation" && item.kind == Kind::State) {
      if (item.interpretation) return fail(child, "second <interpretation> in <state>");
      if (!readInterpretation(child, item)) return false;
    } else {
      return unknown(child, node);
    }
  }

  if (pugi::xml_attribute valueAttr = node.attribute("value")) {
    SimulatedEcu::Value value;
    if (!itemValue(node, valueAttr.value(), item.kind, value)) return false;
    const std::wstring wideName = pugi::as_wide(item.name);
    if (const long* state = std::get_if<long>(&value))
      sim.states[wideName] = *state;
    else if (const double* parameter = std::get_if<double>(&value))
      sim.parameters[wideName] = *parameter;
    else
      sim.identifications[wideName] = std::get<std::wstring>(value);
  }
  items.push_back(std::move(item));
  return true;
}

// <interpretation>: <correspondance value codetext defaultText/> in order.
bool HostFileReader::readInterpretation(pugi::xml_node node, Description& item) {
  if (!attributes(node, {})) return false;
  item.interpretation.emplace();
  for (pugi::xml_node entry : elements(node)) {
    if (std::strcmp(entry.name(), "correspondance") != 0) return unknown(entry, node);
    StandinDiagData::Correspondance correspondance;
    if (!attributes(entry, {"value", "codetext", "defaultText"}) ||
        !required(entry, "value", correspondance.value) || !leaf(entry))
      return false;
    correspondance.codetext = entry.attribute("codetext").value();
    correspondance.defaultText = entry.attribute("defaultText").value();
    item.interpretation->push_back(std::move(correspondance));
  }
  return true;
}

// <command name status refuse> with <set state|parameter|identification value/> children.
bool HostFileReader::readCommand(pugi::xml_node node, const ItemNames& names, Simulation& sim,
                                 Seen& seen) {
  std::string name;
  if (!attributes(node, {"name", "status", "refuse", "delay"}) || !required(node, "name", name) ||
      !once(seen, "command " + name, node, "<command name=\"" + name + "\">"))
    return false;
  const std::wstring wideName = pugi::as_wide(name);
  SimulatedEcu::Command command;
  std::optional<int> status;
  if (!optionalStatus(node, "status", status) || !optionalStatus(node, "refuse", command.refuse) ||
      !optionalDelay(node, command.delayMs))
    return false;
  command.status = status.value_or(0);
  for (pugi::xml_node set : elements(node)) {
    if (std::strcmp(set.name(), "set") != 0) return unknown(set, node);
    SimulatedEcu::Assignment assignment;
    if (!attributes(set, {"state", "parameter", "identification", "value"}) || !leaf(set) ||
        !readAssignment(set, names, assignment))
      return false;
    command.assignments.push_back(std::move(assignment));
  }
  sim.commands[wideName] = std::move(command);
  return true;
}

// One <set>: exactly one listed item and a value of its type.
bool HostFileReader::readAssignment(pugi::xml_node set, const ItemNames& names,
                                    SimulatedEcu::Assignment& assignment) {
  const ItemElement* named = nullptr;
  for (const ItemElement& candidate : kItemElements) {
    if (!set.attribute(candidate.name)) continue;
    if (named != nullptr)
      return fail(set, "<set> names more than one of state, parameter, identification");
    named = &candidate;
  }
  if (named == nullptr) return fail(set, "<set> names none of state, parameter, identification");
  std::string value;
  if (!required(set, "value", value)) return false;
  const std::string item = set.attribute(named->name).value();
  if (names.count({named->kind, item}) == 0)
    return fail(set, "<set " + std::string(named->name) + "=\"" + item + "\">: no such " +
                         named->name + " in this <ecu>");
  assignment.kind = named->kind;
  assignment.item = pugi::as_wide(item);
  return itemValue(set, value, named->kind, assignment.value);
}

// <rawframe request response refuse/>: a response is needed unless the frame is refused.
bool HostFileReader::readRawFrame(pugi::xml_node node, Simulation& sim, Seen& seen) {
  std::string request;
  if (!attributes(node, {"request", "response", "refuse", "delay"}) || !leaf(node) ||
      !required(node, "request", request) ||
      !once(seen, "rawframe " + request, node, "<rawframe request=\"" + request + "\">"))
    return false;
  const std::wstring wideRequest = pugi::as_wide(request);
  SimulatedEcu::RawFrame frame;
  if (!optionalStatus(node, "refuse", frame.refuse) || !optionalDelay(node, frame.delayMs))
    return false;
  if (!frame.refuse && !required(node, "response", frame.responseHex)) return false;
  if (pugi::xml_attribute response = node.attribute("response")) {
    Value hex;
    if (!typed(node, response.value(), ValueKind::Bytes, hex)) return false;
    frame.responseHex = std::get<std::string>(hex);
  }
  sim.rawFrames[wideRequest] = std::move(frame);
  return true;
}

// <ramp from to step period repeat start> or <sequence repeat start> with <step value
// duration/>s, each with the <set>s applied when it ends.
bool HostFileReader::readBehaviour(pugi::xml_node node, Kind kind, const std::string& item,
                                   const ItemNames& names, Simulation& sim) {
  const bool ramp = std::strcmp(node.name(), "ramp") == 0;
  const std::string element = "<" + std::string(node.name()) + "> of " + item;
  SimulationBehaviour behaviour;
  behaviour.kind = kind;
  behaviour.shape = ramp ? SimulationBehaviour::Shape::Ramp : SimulationBehaviour::Shape::Sequence;
  if (!(ramp ? attributes(node, {"from", "to", "step", "period", "repeat", "start"})
             : attributes(node, {"repeat", "start"})))
    return false;
  Value parsed;
  if (pugi::xml_attribute repeat = node.attribute("repeat")) {
    if (!typed(node, repeat.value(), ValueKind::Flag, parsed)) return false;
    behaviour.repeat = std::get<bool>(parsed);
  }
  if (pugi::xml_attribute start = node.attribute("start")) {
    behaviour.startedBy = pugi::as_wide(start.value());
    if (sim.commands.count(behaviour.startedBy) == 0)
      return fail(node, element + ": start=\"" + start.value() + "\" is no command of this <ecu>");
  }
  if (ramp && !readRamp(node, element, behaviour)) return false;
  if (!readBehaviourChildren(node, names, behaviour)) return false;
  if (!ramp && behaviour.steps.empty()) return fail(node, element + " has no <step>");
  if (behaviour.repeat && !behaviour.atEnd.empty())
    return fail(node, element + " repeats, so it never ends and its <set> never applies");
  sim.behaviours[{kind, pugi::as_wide(item)}] = std::move(behaviour);
  return true;
}

// A ramp's from, to, step and period: a bounded number of steps, each at least as long as the
// shortest period.
bool HostFileReader::readRamp(pugi::xml_node node, const std::string& element,
                              SimulationBehaviour& ramp) {
  const auto number = [&](const char* name, ValueKind valueKind, double& out) {
    std::string text;
    if (!required(node, name, text)) return false;
    Value value;
    if (!parseValue(text, valueKind, value))
      return fail(node, element + ": " + name + "=\"" + text + "\" " + expectation(valueKind));
    out = valueKind == ValueKind::Integer ? std::get<long>(value) : std::get<double>(value);
    return true;
  };
  const ValueKind ends = ramp.kind == Kind::State ? ValueKind::Integer : ValueKind::Real;
  std::string period;
  if (!number("from", ends, ramp.from) || !number("to", ends, ramp.to) ||
      !number("step", ValueKind::Real, ramp.step))
    return false;
  if (ramp.step <= 0) return fail(node, element + ": step is not above 0");
  // Also false for a distance beyond the largest real.
  if (!(std::fabs(ramp.to - ramp.from) / ramp.step <=
        static_cast<double>(standin_limits::kMaxRampSteps)))
    return fail(node, element + ": from " + node.attribute("from").value() + " to " +
                          node.attribute("to").value() + " in steps of " +
                          node.attribute("step").value() + " takes more than " +
                          std::to_string(standin_limits::kMaxRampSteps) + " steps");
  return required(node, "period", period) && duration(node, period, ramp.periodMs);
}

// The <set>s applied at the end and, in a sequence, its <step>s.
bool HostFileReader::readBehaviourChildren(pugi::xml_node node, const ItemNames& names,
                                           SimulationBehaviour& behaviour) {
  const bool ramp = behaviour.shape == SimulationBehaviour::Shape::Ramp;
  for (pugi::xml_node child : elements(node)) {
    if (std::strcmp(child.name(), "set") == 0) {
      SimulatedEcu::Assignment assignment;
      if (!attributes(child, {"state", "parameter", "identification", "value"}) || !leaf(child) ||
          !readAssignment(child, names, assignment))
        return false;
      behaviour.atEnd.push_back(std::move(assignment));
    } else if (!ramp && std::strcmp(child.name(), "step") == 0) {
      SimulationBehaviour::Step step;
      std::string value, length;
      if (!attributes(child, {"value", "duration"}) || !leaf(child) ||
          !required(child, "value", value) ||
          !itemValue(child, value, behaviour.kind, step.value) ||
          !required(child, "duration", length) || !duration(child, length, step.durationMs))
        return false;
      behaviour.steps.push_back(std::move(step));
    } else {
      return unknown(child, node);
    }
  }
  return true;
}

bool HostFileReader::isBehaviour(const char* element) {
  return std::strcmp(element, "ramp") == 0 || std::strcmp(element, "sequence") == 0;
}

// A period or a step's time: whole milliseconds, at least the shortest one kept apart.
bool HostFileReader::duration(pugi::xml_node node, const std::string& text, Millis& ms) {
  Value parsed;
  if (!parseValue(text, ValueKind::Integer, parsed) ||
      std::get<long>(parsed) < standin_limits::kMinPeriodMs ||
      std::get<long>(parsed) > standin_limits::kMaxPeriodMs)
    return badValue(node, text,
                    ("is not a whole number of milliseconds from " +
                     std::to_string(standin_limits::kMinPeriodMs) + " to " +
                     std::to_string(standin_limits::kMaxPeriodMs))
                        .c_str());
  ms = std::get<long>(parsed);
  return true;
}

// delay="ms" before any answer: 0 up to the longest delay allowed.
bool HostFileReader::optionalDelay(pugi::xml_node node, Millis& ms) {
  pugi::xml_attribute attribute = node.attribute("delay");
  if (!attribute) return true;
  Value parsed;
  if (!parseValue(attribute.value(), ValueKind::Integer, parsed) || std::get<long>(parsed) < 0 ||
      std::get<long>(parsed) > standin_limits::kMaxDelayMs)
    return fail(node, "<" + std::string(node.name()) + "> delay=\"" + attribute.value() +
                          "\" is not a whole number of milliseconds from 0 to " +
                          std::to_string(standin_limits::kMaxDelayMs));
  ms = std::get<long>(parsed);
  return true;
}

// An item's value: integer for a state, real for a parameter, text for an identification.
bool HostFileReader::itemValue(pugi::xml_node node, const std::string& text, Kind kind,
                               SimulatedEcu::Value& value) {
  Value parsed;
  if (!typed(node, text, itemElement(kind).valueKind, parsed)) return false;
  if (const long* number = std::get_if<long>(&parsed))
    value = *number;
  else if (const double* real = std::get_if<double>(&parsed))
    value = *real;
  else
    value = pugi::as_wide(std::get<std::string>(parsed));
  return true;
}
