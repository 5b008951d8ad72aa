#include "StandinHost.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <pugixml.hpp>
#include <variant>
#include <vector>

#include "BSet.h"
#include "ComponentManagerFactory.h"
#include "StandinComponentManager.h"
#include "StandinDataManager.h"
#include "StandinDiagData.h"
#include "StandinDiagServices.h"
#include "StandinTextService.h"
#include "WideText.h"

namespace {

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

// A finite decimal number, e.g. 12.6, -3, 1e-3.
bool parseReal(const std::string& text, double& value) {
  return parseNumber(text, value) && std::isfinite(value);
}

// true, false, 1 or 0.
bool parseFlag(const std::string& text, bool& value) {
  const std::string word = trimmed(text);
  if (word == "true" || word == "1")
    value = true;
  else if (word == "false" || word == "0")
    value = false;
  else
    return false;
  return true;
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

}  // namespace

struct StandinHost::Content {
  struct DataItem {
    std::wstring key;
    std::variant<int, bool, std::wstring, BSet> value;
  };
  std::string defaultEcu;
  std::vector<DataItem> data;
  std::vector<std::pair<std::wstring, std::wstring>> texts;
  std::map<std::string, std::vector<StandinDiagData::Description>> descriptions;
  std::map<std::string, StandinDiagServices::Simulation> simulations;
};

namespace {

using Content = StandinHost::Content;
using Kind = StandinDiagData::Kind;

// Reads one data file into Content; the first fault ends it with a message
// "origin:line: what".
class Reader {
 public:
  Reader(const std::string& text, const std::string& origin, std::string& error)
      : text_(text), origin_(origin), error_(error) {}

  bool read(Content& content) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(text_.data(), text_.size(),
                        pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_utf8);
    if (!parsed) return fail(parsed.offset, std::string("malformed XML: ") + parsed.description());
    const pugi::xml_node root = doc.document_element();
    if (std::strcmp(root.name(), "host") != 0)
      return fail(root, "the root element is <" + std::string(root.name()) + ">, not <host>");
    if (!attributes(root, {"ecu"})) return false;
    content.defaultEcu = root.attribute("ecu").value();
    for (pugi::xml_node child : root.children()) {
      if (child.type() != pugi::node_element) continue;
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

 private:
  // <data>: one typed element per key.
  bool readData(pugi::xml_node data, Content& content) {
    if (!attributes(data, {})) return false;
    for (pugi::xml_node item : elements(data)) {
      const std::string kind = item.name();
      if (kind != "integer" && kind != "flag" && kind != "string" && kind != "set")
        return unknown(item, data);
      std::string key;
      if (!attributes(item, {"key"}) || !required(item, "key", key)) return false;
      Content::DataItem entry{pugi::as_wide(key), 0};
      if (kind == "set") {
        BSet set;
        if (!readSet(item, set)) return false;
        entry.value = std::move(set);
      } else {
        if (!leaf(item)) return false;
        const std::string text = textOf(item);
        if (kind == "integer") {
          int value = 0;
          if (!parseNumber(text, value)) return badValue(item, text, "is not a decimal integer");
          entry.value = value;
        } else if (kind == "flag") {
          bool value = false;
          if (!parseFlag(text, value)) return badValue(item, text, "is not true, false, 1 or 0");
          entry.value = value;
        } else {
          entry.value = pugi::as_wide(text);
        }
      }
      content.data.push_back(std::move(entry));
    }
    return true;
  }

  // Entries of a <set>: integer, float, string, bytes, each named.
  bool readSet(pugi::xml_node setNode, BSet& set) {
    for (pugi::xml_node entry : elements(setNode)) {
      const std::string kind = entry.name();
      if (kind != "integer" && kind != "float" && kind != "string" && kind != "bytes")
        return unknown(entry, setNode);
      std::string name;
      if (!attributes(entry, {"name"}) || !required(entry, "name", name) || !leaf(entry))
        return false;
      const std::string text = textOf(entry);
      if (kind == "integer") {
        long value = 0;
        if (!parseNumber(text, value)) return badValue(entry, text, "is not a decimal integer");
        set.setInt(ace(name), value);
      } else if (kind == "float") {
        double value = 0;
        if (!parseReal(text, value)) return badValue(entry, text, "is not a number");
        set.setFloat(ace(name), value);
      } else if (kind == "string") {
        set.setString(ace(name), ace(text));
      } else {
        const std::string hex = trimmed(text);
        if (!isHexBytes(hex))
          return badValue(entry, text, "is not hexadecimal digits, two per byte");
        set.setByteArray(ace(name), BByteArray(hex.c_str()));
      }
    }
    return true;
  }

  // <texts>: <text code="C">display text</text>.
  bool readTexts(pugi::xml_node texts, Content& content) {
    if (!attributes(texts, {})) return false;
    for (pugi::xml_node text : elements(texts)) {
      if (std::strcmp(text.name(), "text") != 0) return unknown(text, texts);
      std::string code;
      if (!attributes(text, {"code"}) || !required(text, "code", code) || !leaf(text)) return false;
      content.texts.emplace_back(pugi::as_wide(code), pugi::as_wide(textOf(text)));
    }
    return true;
  }

  // <ecu name refuse>: items first, then commands and frames, which may name any item.
  bool readEcu(pugi::xml_node ecu, Content& content) {
    std::string name;
    if (!attributes(ecu, {"name", "refuse"}) || !required(ecu, "name", name)) return false;
    if (content.simulations.count(name) != 0)
      return fail(ecu, "<ecu name=\"" + name + "\"> is described twice");
    StandinDiagServices::Simulation sim;
    std::vector<StandinDiagData::Description> items;
    if (!optionalStatus(ecu, "refuse", sim.refuse)) return false;

    for (pugi::xml_node item : elements(ecu)) {
      const std::string kind = item.name();
      if (kind == "state" || kind == "parameter" || kind == "identification") {
        if (!readItem(item, sim, items)) return false;
      } else if (kind != "command" && kind != "rawframe") {
        return unknown(item, ecu);
      }
    }
    for (pugi::xml_node item : elements(ecu)) {
      const std::string kind = item.name();
      if (kind == "command" && !readCommand(item, items, sim)) return false;
      if (kind == "rawframe" && !readRawFrame(item, sim)) return false;
    }
    content.descriptions[name] = std::move(items);
    content.simulations[name] = std::move(sim);
    return true;
  }

  // <state>, <parameter>, <identification>: description and simulated value.
  bool readItem(pugi::xml_node node, StandinDiagServices::Simulation& sim,
                std::vector<StandinDiagData::Description>& items) {
    const std::string kindName = node.name();
    StandinDiagData::Description item;
    if (kindName == "state") {
      item.kind = Kind::State;
      if (!attributes(node, {"name", "value"})) return false;
    } else if (kindName == "parameter") {
      item.kind = Kind::Parameter;
      if (!attributes(node, {"name", "value", "format"})) return false;
    } else {
      item.kind = Kind::Identification;
      if (!attributes(node, {"name", "value"})) return false;
    }
    if (!required(node, "name", item.name)) return false;
    for (const auto& other : items)
      if (other.kind == item.kind && other.name == item.name)
        return fail(node, "<" + kindName + " name=\"" + item.name + "\"> is listed twice");
    if (pugi::xml_attribute format = node.attribute("format")) item.format = format.value();

    for (pugi::xml_node child : elements(node)) {
      const std::string childName = child.name();
      if (childName == "mask") {
        if (item.mask) return fail(child, "second <mask> in <" + kindName + ">");
        if (!attributes(child, {}) || !leaf(child)) return false;
        item.mask = trimmed(textOf(child));
      } else if (childName == "interpretation" && kindName == "state") {
        if (item.interpretation) return fail(child, "second <interpretation> in <state>");
        if (!readInterpretation(child, item)) return false;
      } else {
        return unknown(child, node);
      }
    }

    const std::wstring wideName = pugi::as_wide(item.name);
    if (pugi::xml_attribute valueAttr = node.attribute("value")) {
      const std::string text = valueAttr.value();
      if (kindName == "state") {
        long value = 0;
        if (!parseNumber(text, value)) return badValue(node, text, "is not a decimal integer");
        sim.states[wideName] = value;
      } else if (kindName == "parameter") {
        double value = 0;
        if (!parseReal(text, value)) return badValue(node, text, "is not a number");
        sim.parameters[wideName] = value;
      } else {
        sim.identifications[wideName] = pugi::as_wide(text);
      }
    }
    items.push_back(std::move(item));
    return true;
  }

  // <interpretation>: <correspondance value codetext defaultText/> in order.
  bool readInterpretation(pugi::xml_node node, StandinDiagData::Description& item) {
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
  bool readCommand(pugi::xml_node node, const std::vector<StandinDiagData::Description>& items,
                   StandinDiagServices::Simulation& sim) {
    std::string name;
    if (!attributes(node, {"name", "status", "refuse"}) || !required(node, "name", name))
      return false;
    const std::wstring wideName = pugi::as_wide(name);
    if (sim.commands.count(wideName) != 0)
      return fail(node, "<command name=\"" + name + "\"> is listed twice");
    StandinDiagServices::Command command;
    std::optional<int> status;
    if (!optionalStatus(node, "status", status) || !optionalStatus(node, "refuse", command.refuse))
      return false;
    command.status = status.value_or(0);
    for (pugi::xml_node set : elements(node)) {
      if (std::strcmp(set.name(), "set") != 0) return unknown(set, node);
      StandinDiagServices::Assignment assignment;
      if (!attributes(set, {"state", "parameter", "identification", "value"}) || !leaf(set) ||
          !readAssignment(set, items, assignment))
        return false;
      command.assignments.push_back(std::move(assignment));
    }
    sim.commands[wideName] = std::move(command);
    return true;
  }

  // One <set>: exactly one listed item and a value of its type.
  bool readAssignment(pugi::xml_node set, const std::vector<StandinDiagData::Description>& items,
                      StandinDiagServices::Assignment& assignment) {
    static const std::pair<const char*, Kind> kKinds[] = {{"state", Kind::State},
                                                          {"parameter", Kind::Parameter},
                                                          {"identification", Kind::Identification}};
    const char* attributeName = nullptr;
    Kind kind = Kind::State;
    for (const auto& [candidate, candidateKind] : kKinds) {
      if (!set.attribute(candidate)) continue;
      if (attributeName != nullptr)
        return fail(set, "<set> names more than one of state, parameter, identification");
      attributeName = candidate;
      kind = candidateKind;
    }
    if (attributeName == nullptr)
      return fail(set, "<set> names none of state, parameter, identification");
    std::string value;
    if (!required(set, "value", value)) return false;
    const std::string item = set.attribute(attributeName).value();
    bool listed = false;
    for (const auto& description : items)
      listed |= description.kind == kind && description.name == item;
    if (!listed)
      return fail(set, "<set " + std::string(attributeName) + "=\"" + item + "\">: no such " +
                           attributeName + " in this <ecu>");
    assignment.kind = kind;
    assignment.item = pugi::as_wide(item);
    if (kind == Kind::State) {
      long number = 0;
      if (!parseNumber(value, number)) return badValue(set, value, "is not a decimal integer");
      assignment.value = number;
    } else if (kind == Kind::Parameter) {
      double number = 0;
      if (!parseReal(value, number)) return badValue(set, value, "is not a number");
      assignment.value = number;
    } else {
      assignment.value = pugi::as_wide(value);
    }
    return true;
  }

  // <rawframe request response refuse/>: a response is needed unless the frame is refused.
  bool readRawFrame(pugi::xml_node node, StandinDiagServices::Simulation& sim) {
    std::string request;
    if (!attributes(node, {"request", "response", "refuse"}) || !leaf(node) ||
        !required(node, "request", request))
      return false;
    const std::wstring wideRequest = pugi::as_wide(request);
    if (sim.rawFrames.count(wideRequest) != 0)
      return fail(node, "<rawframe request=\"" + request + "\"> is listed twice");
    StandinDiagServices::RawFrame frame;
    if (!optionalStatus(node, "refuse", frame.refuse)) return false;
    if (!frame.refuse && !required(node, "response", frame.responseHex)) return false;
    if (pugi::xml_attribute response = node.attribute("response")) {
      frame.responseHex = trimmed(response.value());
      if (!isHexBytes(frame.responseHex))
        return badValue(node, response.value(), "is not hexadecimal digits, two per byte");
    }
    sim.rawFrames[wideRequest] = std::move(frame);
    return true;
  }

  bool optionalStatus(pugi::xml_node node, const char* name, std::optional<int>& status) {
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) return true;
    int value = 0;
    if (!parseNumber(attribute.value(), value))
      return fail(node, "<" + std::string(node.name()) + "> " + name + "=\"" + attribute.value() +
                            "\" is not a decimal integer");
    status = value;
    return true;
  }

  static std::vector<pugi::xml_node> elements(pugi::xml_node node) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node child : node.children())
      if (child.type() == pugi::node_element) out.push_back(child);
    return out;
  }

  // Every attribute must be one of the allowed names: a misspelt one is an error, not a default.
  bool attributes(pugi::xml_node node, std::initializer_list<const char*> allowed) {
    for (pugi::xml_attribute attribute : node.attributes()) {
      bool known = false;
      for (const char* name : allowed) known |= std::strcmp(attribute.name(), name) == 0;
      if (!known)
        return fail(node, "unknown attribute " + std::string(attribute.name()) + " of <" +
                              node.name() + ">");
    }
    return true;
  }

  bool required(pugi::xml_node node, const char* name, std::string& value) {
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
      return fail(node, "<" + std::string(node.name()) + "> lacks the attribute " + name);
    value = attribute.value();
    return true;
  }

  // A value element holds text only.
  bool leaf(pugi::xml_node node) {
    for (pugi::xml_node child : elements(node)) return unknown(child, node);
    return true;
  }

  bool unknown(pugi::xml_node node, pugi::xml_node parent) {
    return fail(node,
                "unknown element <" + std::string(node.name()) + "> in <" + parent.name() + ">");
  }

  bool badValue(pugi::xml_node node, const std::string& value, const char* what) {
    std::string element = "<" + std::string(node.name());
    for (const char* name :
         {"key", "name", "code", "request", "state", "parameter", "identification"})
      if (pugi::xml_attribute attribute = node.attribute(name))
        element += " " + std::string(name) + "=\"" + attribute.value() + "\"";
    return fail(node, element + ">: \"" + value + "\" " + what);
  }

  bool fail(pugi::xml_node node, const std::string& what) {
    return fail(node.offset_debug(), what);
  }

  bool fail(ptrdiff_t offset, const std::string& what) {
    error_ = origin_ + ":" + std::to_string(lineOf(offset)) + ": " + what;
    return false;
  }

  int lineOf(ptrdiff_t offset) const {
    if (offset < 0) return 1;
    const size_t end = std::min(static_cast<size_t>(offset), text_.size());
    int line = 1;
    for (size_t i = 0; i < end; ++i) line += text_[i] == '\n' ? 1 : 0;
    return line;
  }

  const std::string& text_;
  const std::string& origin_;
  std::string& error_;
};

}  // namespace

StandinHost& StandinHost::instance() {
  // Never destroyed: components and the component manager may outlive static destruction order.
  static StandinHost* host = new StandinHost();
  return *host;
}

StandinHost::StandinHost()
    : dataManager_(std::make_unique<StandinDataManager>()),
      textService_(std::make_unique<StandinTextService>()),
      diagData_(std::make_unique<StandinDiagData>()) {
  std::lock_guard<std::mutex> lock(hostMutex_);
  registerLocked();
}

StandinHost::~StandinHost() = default;

bool StandinHost::loadFile(const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  std::string text;
  char buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  const int readErrno = errno;
  std::fclose(file);
  if (failed) {
    error = path + ": cannot read: " + std::strerror(readErrno);
    return false;
  }
  return load(text, path, error);
}

bool StandinHost::loadText(const std::string& xml, std::string& error) {
  return load(xml, "(text)", error);
}

bool StandinHost::load(const std::string& text, const std::string& origin, std::string& error) {
  Content content;
  if (!Reader(text, origin, error).read(content)) return false;
  std::lock_guard<std::mutex> lock(hostMutex_);
  applyLocked(content);
  return true;
}

void StandinHost::applyLocked(const Content& content) {
  dataManager_->clear();
  for (const Content::DataItem& item : content.data) {
    const ID key(aceWide(item.key));
    if (const int* integer = std::get_if<int>(&item.value))
      dataManager_->writeInteger(key, *integer);
    else if (const bool* flag = std::get_if<bool>(&item.value))
      dataManager_->writeFlag(key, *flag);
    else if (const std::wstring* text = std::get_if<std::wstring>(&item.value))
      dataManager_->writeString(key, aceWide(*text));
    else
      dataManager_->mergeSet(key, std::get<BSet>(item.value));  // two <set>s of a key add up
  }

  textService_->clear();
  for (const auto& [code, text] : content.texts)
    textService_->setText(aceWide(code), aceWide(text));

  diagData_->setDescriptions(content.descriptions);
  ecus_.clear();
  for (const auto& [name, simulation] : content.simulations) {
    auto& services = diagServices_[name];
    if (!services) services = std::make_unique<StandinDiagServices>(name, *dataManager_);
    services->setSimulation(simulation);
    ecus_.insert(name);
  }
  for (auto& [name, services] : diagServices_)
    if (ecus_.count(name) == 0) services->setSimulation({});
  defaultEcu_ = content.defaultEcu;
  registerLocked();
}

void StandinHost::registerLocked() {
  StandinComponentManager& manager = StandinComponentManager::instance();
  auto offer = [&](IComponent& component, bool described) {
    const ID& id = component.getID();
    manager.remove(id);
    if (described && unavailable_.count(stdWide(id.getText())) == 0) manager.add(id, &component);
  };
  offer(*dataManager_, true);
  offer(*textService_, true);
  offer(*diagData_, true);
  for (auto& [name, services] : diagServices_) offer(*services, ecus_.count(name) != 0);
}

void StandinHost::clear() {
  std::lock_guard<std::mutex> lock(hostMutex_);
  unavailable_.clear();
  applyLocked(Content{});
}

std::string StandinHost::defaultEcu() const {
  std::lock_guard<std::mutex> lock(hostMutex_);
  return defaultEcu_;
}

bool StandinHost::describesEcu(const std::string& name) const {
  std::lock_guard<std::mutex> lock(hostMutex_);
  return ecus_.count(name) != 0;
}

void StandinHost::setComponentAvailable(const std::string& id, bool available) {
  std::lock_guard<std::mutex> lock(hostMutex_);
  const std::wstring wideId = pugi::as_wide(id);
  if (available)
    unavailable_.erase(wideId);
  else
    unavailable_.insert(wideId);
  registerLocked();
}
