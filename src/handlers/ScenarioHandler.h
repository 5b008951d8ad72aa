#pragma once

#include <QString>

#include "dispatch/CommandHandlerBase.h"

// "FT" serves a scenario page with the start-up scripts injected; "ENDFT" ends it.
class ScenarioHandler : public CommandHandlerBase {
 public:
  ~ScenarioHandler() override;
  // "FT": the page with the start-up scripts injected.
  Reply servePage();
  // "ENDFT": the end word, with the stop event.
  Reply endScenario();
  // Inserts the start-up scripts (and the development-mode attribute) into page,
  // with the factory's JavaScript API folder and mode.
  bool processScripts(QString& page);
  // The same with the folder and mode given; page is the page's text.
  static bool processScripts(QString& page, const QString& jsApiFolder, bool developmentMode);
};
