#include "HostFileReader.h"

#include <climits>
#include <cstring>

#include "UnknownNames.h"
#include "WideText.h"

// The document and the host's own elements, <data> and <texts>; the <ecu> element is read in
// HostFileReaderEcu.cpp, values and places checked in HostFileReaderChecks.cpp.

namespace {

using ValueKind = HostFileReader::ValueKind;

ACE_WString ace(const std::string& utf8) {
  return aceWide(pugi::as_wide(utf8));
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
