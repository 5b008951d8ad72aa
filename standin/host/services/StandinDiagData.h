#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "IDiagData.h"
#include "UnknownNames.h"

// "diagData:DiagData" of the stand-in host: describes the items of every ECU
// of the data file. Descriptions are rendered to XML once per load, so a
// lookup only copies text into the caller's object.
class HOST_API StandinDiagData : public IDiagData {
 public:
  enum class Kind { State, Parameter, Identification };

  struct Correspondance {
    std::string value;
    std::string codetext;
    std::string defaultText;
  };

  // One item as the data file describes it (UTF-8 texts).
  struct Description {
    Kind kind = Kind::State;
    std::string name;
    std::optional<std::string> mask;
    std::optional<std::string> format;                          // parameters only
    std::optional<std::vector<Correspondance>> interpretation;  // states only
  };

  StandinDiagData();
  ~StandinDiagData() override;

  // Replaces every description: ECU name -> its items.
  void setDescriptions(const std::map<std::string, std::vector<Description>>& ecus);

  // The items of one ECU in the file's order; empty for an ECU not described.
  std::vector<Description> descriptionsOf(const std::string& ecu) const;

  bool describes(const std::wstring& ecu, Kind kind, const std::wstring& name) const;
  // Warns through `into` about an item the ECU does not describe that `command` asked for.
  void reportUnknown(const std::string& command, const std::string& ecu, Kind kind,
                     const std::string& name, UnknownNames& into) const;
  static const char* kindName(Kind kind);

  // The element a description object receives, e.g. <State name="S"><Mask value="…"/>…</State>.
  static std::wstring renderXml(const Description& description);

  int getState(const ACE_WString& ecu, const ACE_WString& name, DRState& state) override;
  int getParameter(const ACE_WString& ecu, const ACE_WString& name,
                   DRParameter& parameter) override;
  int getIdentification(const ACE_WString& ecu, const ACE_WString& name,
                        DRIdentification& identification) override;
  const ID& getID() const override;

 private:
  // (ECU, kind, item name) -> rendered XML.
  using Key = std::tuple<std::wstring, Kind, std::wstring>;
  using Table = std::map<Key, std::wstring>;

  int describe(const ACE_WString& ecu, const ACE_WString& name, Kind kind, BDomData& out) const;

  ID id_;
  mutable UnknownNames unknown_{"DiagData"};  // isApplicable's
  mutable std::mutex
      tableMutex_;  // guards table_ and ecus_ (the pointers; what they point to is immutable)
  std::shared_ptr<const Table> table_;
  std::shared_ptr<const std::map<std::string, std::vector<Description>>> ecus_;
};
