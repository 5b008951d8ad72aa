// What every element is checked for: its attributes, its children, the text of its values; and
// the place every message names.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

#include "HostFileReader.h"
#include "StandinLimits.h"

namespace {

// Two hexadecimal digits per byte, nothing else.
bool isHexBytes(const std::string& text) {
  if (text.size() % 2 != 0) return false;
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

// A decimal number of T's kind with an optional sign, surrounding blanks allowed.
template <class T>
bool HostFileReader::parseNumber(const std::string& text, T& value) {
  std::string digits = trimmed(text);
  if (!digits.empty() && digits[0] == '+') digits.erase(0, 1);
  const char* end = digits.data() + digits.size();
  auto [ptr, ec] = std::from_chars(digits.data(), end, value);
  return ec == std::errc() && ptr == end;
}

std::string HostFileReader::trimmed(const std::string& text) {
  const char* space = " \t\r\n";
  const size_t first = text.find_first_not_of(space);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// Character data of an element: its text and CDATA children joined.
std::string HostFileReader::textOf(pugi::xml_node node) {
  std::string text;
  for (pugi::xml_node child : node.children())
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      text += child.value();
  return text;
}

const char* HostFileReader::expectation(ValueKind kind) {
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

bool HostFileReader::typed(pugi::xml_node node, const std::string& text, ValueKind kind,
                           Value& value) {
  return parseValue(text, kind, value) || badValue(node, text, expectation(kind));
}

bool HostFileReader::once(Seen& seen, const std::string& name, pugi::xml_node node,
                          const std::string& what) {
  const auto [first, fresh] = seen.emplace(name, node.offset_debug());
  return fresh || fail(node, what + " is given twice, first on line " +
                                 std::to_string(lineOf(first->second)));
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
