#include "HostFileReader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "StandinLimits.h"
#include "UnknownNames.h"
#include "WideText.h"

namespace {

using ValueKind = HostFileReader::ValueKind;

ACE_WString ace(const std::string& utf8) {
  return aceWide(pugi::as_wide(utf8));
}

std::string trimmed(const std::string& text) {
  const char* space = " \t\r\n";
  const size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// A decimal number of T's kind with an optional sign, surrounding blanks allowed.
template <class T>
bool parseNumber(const std::string& text, T& value) {
  std::string digits = trimmed(text);
  if (!digits.empty() && digits[0] == '+') digits.erase(0, 1);
  const char* end = digits.data() + digits.size();
  auto [ptr, ec] = std::from_chars(digits.data(), end, value);
  return ec == std::errc() && ptr == end;
}

// Two hexadecimal digits per byte, nothing else.
bool isHexBytes(const std::string& text) {
  if (text.size() % 2 != 0) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// Character data of an element: its text and CDATA children joined.
std::string textOf(pugi::xml_node node) {
  std::string text;
  for (pugi::xml_node child : node.children())
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      text += child.value();
  return text;
}

const char* expectation(ValueKind kind) {
  switch (kind) {
    case ValueKind::Integer:
      return "is not a decimal integer";
    case ValueKind::Count:
      return "is not a non-negative integer";
    case ValueKind::Real:
      return "is not a number";
    case ValueKind::Flag:
      return "is not true, false, 1 or 0";
    case ValueKind::Bytes:
      return "is not hexadecimal digits, two per byte";
    case ValueKind::Text:
      break;
  }
  return "is not text";
}

struct TypedElement {
  const char* name;
  ValueKind kind;
};
constexpr TypedElement kDataElements[] = {
    {"integer", ValueKind::Integer}, {"flag", ValueKind::Flag}, {"string", ValueKind::Text}};
constexpr TypedElement kSetElements[] = {{"integer", ValueKind::Integer},
                                         {"float", ValueKind::Real},
                                         {"string", ValueKind::Text},
                                         {"bytes", ValueKind::Bytes}};

template <size_t N>
const TypedElement* typedElement(const TypedElement (&table)[N], const char* name) {
  for (const TypedElement& entry : table)
    if (std::strcmp(entry.name, name) == 0) return &entry;
  return nullptr;
}

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

// Every key below data:/Configuration/ the component reads; keep in step with its settings.
constexpr char kConfigurationPrefix[] = "data:/Configuration/";
constexpr const char* kConfigurationKeys[] = {
    "OrvaneData/OrvaneDataRoot",
    "OrvaneFunctionTests/SocketPort",
    "OrvaneFunctionTests/ListenAddress",
    "OrvaneFunctionTests/DevelopmentMode",
    "OrvaneFunctionTests/MaxConnections",
    "OrvaneFunctionTests/ReceiveTimeout",
    "OrvaneFunctionTests/SendTimeout",
    "OrvaneFunctionTests/GUIHtmlFolder",
    "OrvaneFunctionTests/GUIJSFolder",
    "OrvaneFunctionTests/GUIJSAPIFolder",
    "OrvaneFunctionTests/FlowFolder",
    "OrvaneFunctionTests/StyleFolder",
    "OrvaneFunctionTests/MWExternalFolder",
    "OrvaneFunctionTests/MWECUSpecificFolder",
    "OrvaneFunctionTests/ATWSFolder",
};

constexpr char kDevelopmentModeKey[] = "OrvaneFunctionTests/DevelopmentMode";

}  // namespace

HostFileReader::HostFileReader(const std::string& text, const std::string& origin,
                               const std::atomic<bool>* stop)
    : text_(text), origin_(origin), stop_(stop) {}

// Checked per element: a large file takes seconds to read, a stop must not wait for it.
bool HostFileReader::stopped() {
  if (stop_ == nullptr || !stop_->load(std::memory_order_relaxed)) return false;
  error_ = origin_ + ": reading stopped";
  return true;
}

bool HostFileReader::parseValue(const std::string& text, ValueKind kind, Value& value) {
  switch (kind) {
    case ValueKind::Integer:
    case ValueKind::Count: {
      long number = 0;
      if (!parseNumber(text, number) || (kind == ValueKind::Count && number < 0)) return false;
      value = number;
      return true;
    }
    case ValueKind::Real: {
      double number = 0;
      if (!parseNumber(text, number) || !std::isfinite(number)) return false;
      value = number;
      return true;
    }
    case ValueKind::Flag: {
      const std::string word = trimmed(text);
      if (word != "true" && word != "1" && word != "false" && word != "0") return false;
      value = word == "true" || word == "1";
      return true;
    }
    case ValueKind::Bytes: {
      std::string hex = trimmed(text);
      if (!isHexBytes(hex)) return false;
      value = std::move(hex);
      return true;
    }
    case ValueKind::Text:
      break;
  }
  value = text;
  return true;
}

bool HostFileReader::read(HostContent& content) {
  pugi::xml_document doc;
  // As a fragment, so that text around the root element is kept to be refused.
  const pugi::xml_parse_result parsed =
      doc.load_buffer(text_.data(), text_.size(),
                      pugi::parse_default | pugi::parse_ws_pcdata_single | pugi::parse_fragment,
                      pugi::encoding_utf8);
  if (!parsed) return fail(parsed.offset, std::string("malformed XML: ") + parsed.description());
  const pugi::xml_node root = doc.document_element();
  if (!root)
    return fail(static_cast<std::ptrdiff_t>(text_.size()),
                "malformed XML: No document element found");
  if (!onlyRoot(doc)) return false;
  if (std::strcmp(root.name(), "host") != 0)
    return fail(root, "the root element is <" + std::string(root.name()) + ">, not <host>");
  if (!attributes(root, {"ecu"})) return false;
  content.defaultEcu = root.attribute("ecu").value();
  for (pugi::xml_node child : elements(root)) {
    if (stopped()) return false;
    const std::string name = child.name();
    bool ok = false;
    if (name == "data")
      ok = readData(child, content);
    else if (name == "texts")
      ok = readTexts(child, content);
    else if (name == "ecu")
      ok = readEcu(child, content);
    else
      ok = unknown(child, root);
    if (!ok) return false;
  }
  return true;
}

// <data>: one typed element per key.
bool HostFileReader::readData(pugi::xml_node data, HostContent& content) {
  if (!attributes(data, {})) return false;
  for (pugi::xml_node item : elements(data)) {
    if (stopped()) return false;
    const bool isSet = std::strcmp(item.name(), "set") == 0;
    const TypedElement* typedItem = isSet ? nullptr : typedElement(kDataElements, item.name());
    if (!isSet && typedItem == nullptr) return unknown(item, data);
    std::string key;
    if (!attributes(item, {"key"}) || !required(item, "key", key) ||
        !once(keys_, key, item, "<" + std::string(item.name()) + " key=\"" + key + "\">"))
      return false;
    checkConfigurationKey(item, key);
    HostContent::DataItem entry{pugi::as_wide(key), 0};
    if (isSet) {
      BSet set;
      if (!readSet(item, set)) return false;
      entry.value = std::move(set);
    } else {
      Value value;
      const std::string text = textOf(item);
      if (!leaf(item) || !typed(item, text, typedItem->kind, value)) return false;
      if (const long* number = std::get_if<long>(&value)) {
        if (*number < INT_MIN || *number > INT_MAX)
          return badValue(item, text, expectation(ValueKind::Integer));
        entry.value = static_cast<int>(*number);
      } else if (const bool* flag = std::get_if<bool>(&value)) {
        entry.value = *flag;
      } else {
        entry.value = pugi::as_wide(std::get<std::string>(value));
      }
    }
    content.data.push_back(std::move(entry));
  }
  if (developmentModeTypo_ &&
      keys_.count(std::string(kConfigurationPrefix) + kDevelopmentModeKey) == 0)
    warnings_[*developmentModeTypo_] +=
        " Development mode is off: no problem panel on the page, no live reload.";
  return true;
}

// Entries of a <set>: integer, float, string, bytes, each named.
bool HostFileReader::readSet(pugi::xml_node setNode, BSet& set) {
  for (pugi::xml_node entry : elements(setNode)) {
    if (stopped()) return false;
    const TypedElement* typedEntry = typedElement(kSetElements, entry.name());
    if (typedEntry == nullptr) return unknown(entry, setNode);
    std::string name;
    Value value;
    if (!attributes(entry, {"name"}) || !required(entry, "name", name) || !leaf(entry) ||
        !typed(entry, textOf(entry), typedEntry->kind, value))
      return false;
    const ACE_WString wideName = ace(name);
    switch (typedEntry->kind) {
      case ValueKind::Integer:
        set.setInt(wideName, std::get<long>(value));
        break;
      case ValueKind::Real:
        set.setFloat(wideName, std::get<double>(value));
        break;
      case ValueKind::Bytes:
        set.setByteArray(wideName, BByteArray(std::get<std::string>(value).c_str()));
        break;
      default:
        set.setString(wideName, ace(std::get<std::string>(value)));
        break;
    }
  }
  return true;
}

// <texts>: <text code="C">display text</text>.
bool HostFileReader::readTexts(pugi::xml_node texts, HostContent& content) {
  if (!attributes(texts, {})) return false;
  for (pugi::xml_node text : elements(texts)) {
    if (stopped()) return false;
    if (std::strcmp(text.name(), "text") != 0) return unknown(text, texts);
    std::string code;
    if (!attributes(text, {"code"}) || !required(text, "code", code) || !leaf(text)) return false;
    content.texts.emplace_back(pugi::as_wide(code), pugi::as_wide(textOf(text)));
  }
  return true;
}

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
    StandinDiagServices::Value value;
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
  StandinDiagServices::Command command;
  std::optional<int> status;
  if (!optionalStatus(node, "status", status) || !optionalStatus(node, "refuse", command.refuse) ||
      !optionalDelay(node, command.delayMs))
    return false;
  command.status = status.value_or(0);
  for (pugi::xml_node set : elements(node)) {
    if (std::strcmp(set.name(), "set") != 0) return unknown(set, node);
    StandinDiagServices::Assignment assignment;
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
                                    StandinDiagServices::Assignment& assignment) {
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
  StandinDiagServices::RawFrame frame;
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
  if (ramp) {
    const auto number = [&](const char* name, ValueKind valueKind, double& out) {
      std::string text;
      if (!required(node, name, text)) return false;
      Value value;
      if (!parseValue(text, valueKind, value))
        return fail(node, element + ": " + name + "=\"" + text + "\" " + expectation(valueKind));
      out = valueKind == ValueKind::Integer ? std::get<long>(value) : std::get<double>(value);
      return true;
    };
    const ValueKind ends = kind == Kind::State ? ValueKind::Integer : ValueKind::Real;
    std::string period;
    if (!number("from", ends, behaviour.from) || !number("to", ends, behaviour.to) ||
        !number("step", ValueKind::Real, behaviour.step))
      return false;
    if (behaviour.step <= 0) return fail(node, element + ": step is not above 0");
    // Also false for a distance beyond the largest real.
    if (!(std::fabs(behaviour.to - behaviour.from) / behaviour.step <=
          static_cast<double>(standin_limits::kMaxRampSteps)))
      return fail(node, element + ": from " + node.attribute("from").value() + " to " +
                            node.attribute("to").value() + " in steps of " +
                            node.attribute("step").value() + " takes more than " +
                            std::to_string(standin_limits::kMaxRampSteps) + " steps");
    if (!required(node, "period", period) || !duration(node, period, behaviour.periodMs))
      return false;
  }
  for (pugi::xml_node child : elements(node)) {
    if (std::strcmp(child.name(), "set") == 0) {
      StandinDiagServices::Assignment assignment;
      if (!attributes(child, {"state", "parameter", "identification", "value"}) || !leaf(child) ||
          !readAssignment(child, names, assignment))
        return false;
      behaviour.atEnd.push_back(std::move(assignment));
    } else if (!ramp && std::strcmp(child.name(), "step") == 0) {
      SimulationBehaviour::Step step;
      std::string value, length;
      if (!attributes(child, {"value", "duration"}) || !leaf(child) ||
          !required(child, "value", value) || !itemValue(child, value, kind, step.value) ||
          !required(child, "duration", length) || !duration(child, length, step.durationMs))
        return false;
      behaviour.steps.push_back(std::move(step));
    } else {
      return unknown(child, node);
    }
  }
  if (!ramp && behaviour.steps.empty()) return fail(node, element + " has no <step>");
  if (behaviour.repeat && !behaviour.atEnd.empty())
    return fail(node, element + " repeats, so it never ends and its <set> never applies");
  sim.behaviours[{kind, pugi::as_wide(item)}] = std::move(behaviour);
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

bool HostFileReader::typed(pugi::xml_node node, const std::string& text, ValueKind kind,
                           Value& value) {
  return parseValue(text, kind, value) || badValue(node, text, expectation(kind));
}

// An item's value: integer for a state, real for a parameter, text for an identification.
bool HostFileReader::itemValue(pugi::xml_node node, const std::string& text, Kind kind,
                               StandinDiagServices::Value& value) {
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

bool HostFileReader::once(Seen& seen, const std::string& name, pugi::xml_node node,
                          const std::string& what) {
  const auto [first, fresh] = seen.emplace(name, node.offset_debug());
  return fresh || fail(node, what + " is given twice, first on line " +
                                 std::to_string(lineOf(first->second)));
}

// A key below data:/Configuration/ that the component does not read is most likely misspelt.
void HostFileReader::checkConfigurationKey(pugi::xml_node node, const std::string& key) {
  if (key.compare(0, sizeof kConfigurationPrefix - 1, kConfigurationPrefix) != 0) return;
  const std::string rest = key.substr(sizeof kConfigurationPrefix - 1);
  const char* nearest = nullptr;
  size_t best = SIZE_MAX;
  for (const char* known : kConfigurationKeys) {
    if (rest == known) return;
    const size_t distance = UnknownNames::distance(rest, known);
    if (distance < best) {
      best = distance;
      nearest = known;
    }
  }
  warn(node, "the component reads no key " + key + ", did you mean " + kConfigurationPrefix +
                 nearest + "?");
  if (std::strcmp(nearest, kDevelopmentModeKey) == 0) developmentModeTypo_ = warnings_.size() - 1;
}

bool HostFileReader::optionalStatus(pugi::xml_node node, const char* name,
                                    std::optional<int>& status) {
  pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute) return true;
  int value = 0;
  if (!parseNumber(attribute.value(), value))
    return fail(node, "<" + std::string(node.name()) + "> " + name + "=\"" + attribute.value() +
                          "\" is not a decimal integer");
  status = value;
  return true;
}

std::vector<pugi::xml_node> HostFileReader::elements(pugi::xml_node node) {
  std::vector<pugi::xml_node> out;
  for (pugi::xml_node child : node.children())
    if (child.type() == pugi::node_element) out.push_back(child);
  return out;
}

// Every attribute must be one of the allowed names: a misspelt one is an error, not a default.
bool HostFileReader::attributes(pugi::xml_node node, std::initializer_list<const char*> allowed) {
  for (pugi::xml_attribute attribute : node.attributes()) {
    bool known = false;
    for (const char* name : allowed) known |= std::strcmp(attribute.name(), name) == 0;
    if (!known)
      return fail(
          node, "unknown attribute " + std::string(attribute.name()) + " of <" + node.name() + ">");
  }
  return true;
}

bool HostFileReader::required(pugi::xml_node node, const char* name, std::string& value) {
  pugi::xml_attribute attribute = node.attribute(name);
  if (!attribute)
    return fail(node, "<" + std::string(node.name()) + "> lacks the attribute " + name);
  value = attribute.value();
  return true;
}

// A value element holds text only.
bool HostFileReader::leaf(pugi::xml_node node) {
  for (pugi::xml_node child : elements(node)) return unknown(child, node);
  return true;
}

bool HostFileReader::unknown(pugi::xml_node node, pugi::xml_node parent) {
  return fail(node,
              "unknown element <" + std::string(node.name()) + "> in <" + parent.name() + ">");
}

bool HostFileReader::badValue(pugi::xml_node node, const std::string& value, const char* what) {
  std::string element = "<" + std::string(node.name());
  for (const char* name :
       {"key", "name", "code", "request", "state", "parameter", "identification"})
    if (pugi::xml_attribute attribute = node.attribute(name))
      element += " " + std::string(name) + "=\"" + attribute.value() + "\"";
  return fail(node, element + ">: \"" + value + "\" " + what);
}

// One root element; around it only blanks, comments, processing instructions.
bool HostFileReader::onlyRoot(const pugi::xml_document& doc) {
  bool rootSeen = false;
  for (pugi::xml_node node : doc.children()) {
    if (node.type() == pugi::node_element) {
      if (rootSeen) return fail(node, "a second root element <" + std::string(node.name()) + ">");
      rootSeen = true;
      continue;
    }
    const std::string text = trimmed(node.value());
    if (node.type() != pugi::node_cdata && (node.type() != pugi::node_pcdata || text.empty()))
      continue;
    // The culprit's first line, cut short on a character boundary.
    std::string shown = text.substr(0, text.find_first_of("\r\n"));
    if (shown.size() > standin_limits::kQuotedTextBytes) {
      size_t cut = standin_limits::kQuotedTextBytes;
      while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;
      shown = shown.substr(0, cut) + "...";
    }
    const size_t at = text_.find_first_not_of(" \t\r\n", static_cast<size_t>(node.offset_debug()));
    return fail(at == std::string::npos ? node.offset_debug() : static_cast<std::ptrdiff_t>(at),
                "text \"" + shown + "\" outside the root element");
  }
  return true;
}

bool HostFileReader::fail(pugi::xml_node node, const std::string& what) {
  return fail(node.offset_debug(), what);
}

bool HostFileReader::fail(std::ptrdiff_t offset, const std::string& what) {
  error_ = where(offset) + what;
  return false;
}

void HostFileReader::warn(pugi::xml_node node, const std::string& what) {
  warnings_.push_back(where(node.offset_debug()) + what);
}

// "origin:line: " of a byte offset into the text.
std::string HostFileReader::where(std::ptrdiff_t offset) {
  return origin_ + ":" + std::to_string(lineOf(offset)) + ": ";
}

std::size_t HostFileReader::lineOf(std::ptrdiff_t offset) {
  if (lineStarts_.empty()) {
    lineStarts_.push_back(0);
    for (size_t i = 0; i < text_.size(); ++i)
      if (text_[i] == '\n') lineStarts_.push_back(i + 1);
  }
  const size_t at = offset < 0 ? 0 : std::min(static_cast<size_t>(offset), text_.size());
  return static_cast<std::size_t>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), at) -
                                  lineStarts_.begin());
}
