#pragma once

#include <QString>

#include "dispatch/CommandHandlerBase.h"

// "FT" serves a scenario page with the start-up scripts injected; "ENDFT" ends it.
class ScenarioHandler : public CommandHandlerBase {
 public:
  bool processRequest(QByteArray& reply) override;
  bool checkParameters() override;
  ~ScenarioHandler() override;
  // Inserts the start-up scripts (and the development-mode attribute) into page.
  bool processScripts(QString& page);
};
