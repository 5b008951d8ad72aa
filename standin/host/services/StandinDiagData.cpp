#include "StandinDiagData.h"

#include <pugixml.hpp>
#include <sstream>

#include "WideText.h"

const char* StandinDiagData::kindName(Kind kind) {
  switch (kind) {
    case StandinDiagData::Kind::State:
      return "State";
    case StandinDiagData::Kind::Parameter:
      return "Parameter";
    case StandinDiagData::Kind::Identification:
      return "Identification";
  }
  return "State";
}

StandinDiagData::StandinDiagData()
    : id_("diagData:DiagData"),
      table_(std::make_shared<const Table>()),
      ecus_(std::make_shared<const std::map<std::string, std::vector<Description>>>()) {}

StandinDiagData::~StandinDiagData() = default;

void StandinDiagData::setDescriptions(const std::map<std::string, std::vector<Description>>& ecus) {
  auto table = std::make_shared<Table>();
  for (const auto& [ecu, items] : ecus)
    for (const Description& item : items)
      (*table)[Key{pugi::as_wide(ecu), item.kind, pugi::as_wide(item.name)}] = renderXml(item);
  auto copy = std::make_shared<const std::map<std::string, std::vector<Description>>>(ecus);
  {
    std::lock_guard<std::mutex> lock(tableMutex_);
    table_ = std::move(table);
    ecus_ = std::move(copy);
  }
  unknown_.clear();
}

bool StandinDiagData::describes(const std::wstring& ecu, Kind kind,
                                const std::wstring& name) const {
  std::shared_ptr<const Table> table;
  {
    std::lock_guard<std::mutex> lock(tableMutex_);
    table = table_;
  }
  return table->count(Key{ecu, kind, name}) != 0;
}

void StandinDiagData::reportUnknown(const std::string& command, const std::string& ecu, Kind kind,
                                    const std::string& name, UnknownNames& into) const {
  std::vector<std::string> known;
  std::vector<std::string> elsewhere;
  for (const Description& item : descriptionsOf(ecu)) {
    if (item.kind == kind)
      known.push_back(item.name);
    else if (item.name == name)
      elsewhere.push_back(kindName(item.kind));
  }
  into.report(command, ecu, kindName(kind), name, known, elsewhere);
}

std::vector<StandinDiagData::Description> StandinDiagData::descriptionsOf(
    const std::string& ecu) const {
  std::shared_ptr<const std::map<std::string, std::vector<Description>>> ecus;
  {
    std::lock_guard<std::mutex> lock(tableMutex_);
    ecus = ecus_;
  }
  auto found = ecus->find(ecu);
  return found == ecus->end() ? std::vector<Description>{} : found->second;
}

// Built with the DOM so that any text in a name, mask or correspondance is escaped.
std::wstring StandinDiagData::renderXml(const Description& description) {
  pugi::xml_document doc;
  pugi::xml_node item = doc.append_child(kindName(description.kind));
  item.append_attribute("name") = description.name.c_str();
  if (description.mask)
    item.append_child("Mask").append_attribute("value") = description.mask->c_str();
  if (description.interpretation) {
    pugi::xml_node interpretation = item.append_child("Interpretation");
    for (const Correspondance& entry : *description.interpretation) {
      pugi::xml_node node = interpretation.append_child("Correspondance");
      node.append_attribute("value") = entry.value.c_str();
      node.append_attribute("codetext") = entry.codetext.c_str();
      node.append_attribute("defaultText") = entry.defaultText.c_str();
    }
  }
  if (description.format) item.append_child("Format").text().set(description.format->c_str());
  std::ostringstream out;
  doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return pugi::as_wide(out.str());
}

int StandinDiagData::describe(const ACE_WString& ecu, const ACE_WString& name, Kind kind,
                              BDomData& out) const {
  std::shared_ptr<const Table> table;
  {
    std::lock_guard<std::mutex> lock(tableMutex_);
    table = table_;
  }
  auto found = table->find(Key{stdWide(ecu), kind, stdWide(name)});
  if (found == table->end()) {
    // The component looks items up to work out their masks; a read fails earlier.
    reportUnknown("isApplicable", pugi::as_utf8(stdWide(ecu)), kind, pugi::as_utf8(stdWide(name)),
                  unknown_);
    return -1;
  }
  out.setXML(aceWide(found->second));
  return 0;
}

int StandinDiagData::getState(const ACE_WString& ecu, const ACE_WString& name, DRState& state) {
  return describe(ecu, name, Kind::State, state);
}

int StandinDiagData::getParameter(const ACE_WString& ecu, const ACE_WString& name,
                                  DRParameter& parameter) {
  return describe(ecu, name, Kind::Parameter, parameter);
}

int StandinDiagData::getIdentification(const ACE_WString& ecu, const ACE_WString& name,
                                       DRIdentification& identification) {
  return describe(ecu, name, Kind::Identification, identification);
}

const ID& StandinDiagData::getID() const {
  return id_;
}
