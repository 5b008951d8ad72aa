#include "handlers/ScenarioHandler.h"

// Placeholder until the handler is written: refuses every request.
bool ScenarioHandler::processRequest(QByteArray&) { return false; }
bool ScenarioHandler::checkParameters() { return false; }
ScenarioHandler::~ScenarioHandler() = default;
bool ScenarioHandler::processScripts(QString&) { return true; }
