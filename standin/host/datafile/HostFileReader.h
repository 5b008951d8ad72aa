#pragma once

#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "HostContent.h"
#include "SimulatedEcu.h"

// Reads one host data file into HostContent. The first fault ends the reading
// with one message "origin:line: what"; findings that do not stop it are kept
// as warnings of the same form.
//
// Each element has one read* rule; a new element is a new rule called from
// its parent's, with its attributes declared through attributes(). The rules of
// the document, <data> and <texts> are in HostFileReader.cpp, those of <ecu> in
// HostFileReaderEcu.cpp, the checks of values, attributes and places in
// HostFileReaderChecks.cpp.
class HostFileReader {
 public:
  // Reading ends early, as a fault, once stop is set.
  HostFileReader(const std::string& text, const std::string& origin,
                 const std::atomic<bool>* stop = nullptr);

  bool read(HostContent& content);
  const std::string& error() const { return error_; }
  const std::vector<std::string>& warnings() const { return warnings_; }

  // What a value's text must hold.
  enum class ValueKind { Integer, Count, Real, Flag, Text, Bytes };
  // long, double, bool; Text and Bytes (upper-case-insensitive hex digits) as UTF-8.
  using Value = std::variant<long, double, bool, std::string>;
  // Text as the kind says: decimal integer (a count: not negative) or finite real with an optional
  // sign, true/false/1/0, or two hexadecimal digits per byte; blanks around all but text ignored.
  static bool parseValue(const std::string& text, ValueKind kind, Value& value);

 private:
  using Description = StandinDiagData::Description;
  using Simulation = StandinDiagServices::Simulation;
  using Kind = StandinDiagData::Kind;
  using Millis = SimulationClock::Millis;
  // Where each name was first given, for the message about a second one.
  using Seen = std::unordered_map<std::string, std::ptrdiff_t>;
  // Items of one <ecu> by kind and name, for the commands that name them.
  using ItemNames = std::set<std::pair<Kind, std::string>>;

  bool readData(pugi::xml_node data, HostContent& content);
  bool readSet(pugi::xml_node setNode, BSet& set);
  bool readTexts(pugi::xml_node texts, HostContent& content);
  bool readEcu(pugi::xml_node ecu, HostContent& content);
  bool readItem(pugi::xml_node node, Simulation& sim, std::vector<Description>& items,
                ItemNames& names, Seen& seen);
  bool readInterpretation(pugi::xml_node node, Description& item);
  bool readCommand(pugi::xml_node node, const ItemNames& names, Simulation& sim, Seen& seen);
  bool readAssignment(pugi::xml_node set, const ItemNames& names,
                      SimulatedEcu::Assignment& assignment);
  bool readBehaviour(pugi::xml_node node, Kind kind, const std::string& item,
                     const ItemNames& names, Simulation& sim);
  bool readRamp(pugi::xml_node node, const std::string& element, SimulationBehaviour& ramp);
  bool readBehaviourChildren(pugi::xml_node node, const ItemNames& names,
                             SimulationBehaviour& behaviour);
  static bool isBehaviour(const char* element);
  bool duration(pugi::xml_node node, const std::string& text, Millis& ms);
  bool optionalDelay(pugi::xml_node node, Millis& ms);
  bool readRawFrame(pugi::xml_node node, Simulation& sim, Seen& seen);
  void checkConfigurationKey(pugi::xml_node node, const std::string& key);

  // The value of node's text or attribute, or a fault naming node and the text.
  bool typed(pugi::xml_node node, const std::string& text, ValueKind kind, Value& value);
  bool itemValue(pugi::xml_node node, const std::string& text, Kind kind,
                 SimulatedEcu::Value& value);
  // False, with a fault naming both lines, when name was seen before; what is e.g. <ecu name="X">.
  bool once(Seen& seen, const std::string& name, pugi::xml_node node, const std::string& what);
  bool optionalStatus(pugi::xml_node node, const char* name, std::optional<int>& status);
  bool attributes(pugi::xml_node node, std::initializer_list<const char*> allowed);
  bool required(pugi::xml_node node, const char* name, std::string& value);
  bool leaf(pugi::xml_node node);
  bool unknown(pugi::xml_node node, pugi::xml_node parent);
  bool badValue(pugi::xml_node node, const std::string& value, const char* what);
  bool onlyRoot(const pugi::xml_document& doc);
  bool stopped();
  bool fail(pugi::xml_node node, const std::string& what);
  bool fail(std::ptrdiff_t offset, const std::string& what);
  void warn(pugi::xml_node node, const std::string& what);
  std::string where(std::ptrdiff_t offset);
  std::size_t lineOf(std::ptrdiff_t offset);
  static std::vector<pugi::xml_node> elements(pugi::xml_node node);
  static std::string trimmed(const std::string& text);
  // Character data of an element: its text and CDATA children joined.
  static std::string textOf(pugi::xml_node node);
  // What a text that is not of the kind is said to be.
  static const char* expectation(ValueKind kind);
  // A decimal number of T's kind with an optional sign, surrounding blanks allowed.
  template <class T>
  static bool parseNumber(const std::string& text, T& value);

  const std::string& text_;
  std::string origin_;
  const std::atomic<bool>* stop_;
  std::string error_;
  std::vector<std::string> warnings_;
  // The warning about a key that is nearest to DevelopmentMode, which then stays off.
  std::optional<std::size_t> developmentModeTypo_;
  std::vector<std::size_t> lineStarts_;  // filled on the first message
  Seen keys_;                            // data keys of the whole file
  Seen ecus_;
};
