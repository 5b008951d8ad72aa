#include "handlers/UtilitiesHandler.h"

// Placeholder until the handler is written: refuses every request.
bool UtilitiesHandler::processRequest(QByteArray&) { return false; }
bool UtilitiesHandler::checkParameters() { return false; }
