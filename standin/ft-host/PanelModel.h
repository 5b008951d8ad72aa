#pragma once

#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "StandinDiagData.h"

class StandinHost;
class StandinDiagServices;
class SyntaxInterpreter;

// What the control panel shows and changes of the simulated ECU: every item
// with its value as the page would show it, the answers, the mask variables.
// Talks to the host's services only, so it needs no lock of its own.
class PanelModel {
 public:
  // An outcome for the HTTP layer: a status and a JSON body.
  struct Reply {
    int status = 200;
    std::string body;
    // A mask variable changed: the component must read them again.
    bool masksChanged = false;
  };

  PanelModel(StandinHost& host, std::string ecu);
  ~PanelModel();

  nlohmann::json view() const;
  // target is "ecu", or "state", "parameter", "identification", "command",
  // "rawframe" or "mask" with a name; body the JSON of the change.
  Reply change(const std::string& target, const std::string& name, const std::string& body);
  // Every simulated value and answer back to the data file's.
  void reset();

  // What a change names and says, and the kinds of thing it can name (PanelModelChange.cpp).
  struct Edit;
  struct Target;

 private:
  StandinDiagServices* services() const;
  nlohmann::json applicability() const;
  Reply changeMask(const std::string& name, const nlohmann::json& body);
  bool describes(StandinDiagData::Kind kind, const std::string& name) const;
  Reply resetOne(StandinDiagServices& simulation, const Target& target, const Edit& edit,
                 const nlohmann::json& body);

  StandinHost& host_;
  std::string ecu_;
  // maskGuard_ guards interpreter_: one interpreter, so a broken mask is
  // reported once, not at every look.
  mutable std::mutex maskGuard_;
  std::unique_ptr<SyntaxInterpreter> interpreter_;
};
