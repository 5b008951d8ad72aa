#include "handlers/GUIHandler.h"

// Placeholder until the handler is written: refuses every request.
GUIHandler::GUIHandler() = default;
bool GUIHandler::processRequest(QByteArray&) { return false; }
bool GUIHandler::checkParameters() { return false; }
QString GUIHandler::GetText(QString, ETextOrigin) { return {}; }
