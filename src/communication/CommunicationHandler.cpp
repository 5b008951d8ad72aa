#include "communication/CommunicationHandler.h"

// Placeholder until the handler is written: refuses every request.
bool CommunicationHandler::processRequest(QByteArray&) { return false; }
bool CommunicationHandler::checkParameters() { return false; }
