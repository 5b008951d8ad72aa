#include "handlers/ResourceHandler.h"

// Placeholder until the handler is written: refuses every request.
bool ResourceHandler::processRequest(QByteArray&) { return false; }
bool ResourceHandler::checkParameters() { return false; }
ResourceHandler::~ResourceHandler() = default;
const QMap<QString, QString> ResourceHandler::contentTypes;
QString ResourceHandler::getContentTypeFromResourcePath(const QString&) { return {}; }
