#include "handlers/UtilitiesHandler.h"

#include "dispatch/ResponseConstants.h"
#include "dispatch/URLCommandFactory.h"
#include "handlers/Utilities.h"
#include "platform/FtLog.h"

namespace {

constexpr wchar_t kClass[] = L"UtilitiesHandler";
constexpr char kPlainHeader[] =
    "HTTP/1.0 200 Ok\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n";
constexpr char kXmlHeader[] = "HTTP/1.0 200 Ok\r\nContent-Type: text/xml; charset=UTF-8\r\n\r\n";

QString truthWord(bool value) {
  return value ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

// Every command needs a non-empty name; readXMLFile also a type, writeFile a
// content. The type's value is judged later.
bool UtilitiesHandler::checkParameters() {
  if (isParameterEmpty(QStringLiteral("name"))) return false;
  if (command_ == QLatin1String(CMD_READ_FILE) || command_ == QLatin1String(CMD_FILE_EXISTS) ||
      command_ == QLatin1String(CMD_DELETE_FILE)) {
    return true;
  }
  if (command_ == QLatin1String(CMD_READ_XML_FILE))
    return !isParameterEmpty(QStringLiteral("type"));
  if (command_ == QLatin1String(CMD_WRITE_FILE))
    return !isParameterEmpty(QStringLiteral("content"));
  return false;
}

// Every outcome is a 200 answer; failures show only in the body.
bool UtilitiesHandler::processRequest(QByteArray& reply) {
  FT_LOG_TRACE(kClass, L"[UtilitiesHandler::processRequest]: Method started.");
  URLCommandFactory* factory = URLCommandFactory::getInstance();
  if (factory == nullptr) {
    FT_LOG_ERROR(
        kClass,
        L"[UtilitiesHandler::processRequest]: URLCommandFactory::getInstance() returns null.");
    return false;
  }
  QString name = parameters_.value(QStringLiteral("name"));
  Utilities utilities(factory->getDataRoot());
  QString header = QLatin1String(kPlainHeader);
  QString body;

  if (command_ == QLatin1String(CMD_READ_FILE) || command_ == QLatin1String(CMD_READ_XML_FILE)) {
    const bool xml = command_ == QLatin1String(CMD_READ_XML_FILE);
    if (!xml) {
      name = factory->getATWSFolder() + name;
    } else {
      const QString type = parameters_.value(QStringLiteral("type"));
      if (type == QLatin1String("MWExt")) {
        name = factory->getMWExternalFolder() + name;
      } else if (type == QLatin1String("ECUSpec")) {
        name = factory->getMWECUSpecificFolder() + name;
      }
    }
    if (!utilities.fileExists(name)) {
      FT_LOG_WARNING(kClass, L"[processRequest]: resource %s does not exist", FT_W(name));
    } else if (xml) {
      header = QLatin1String(kXmlHeader);
      body = utilities.readResourceAsText(name);
    } else if (name.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)) {
      body = utilities.readResourceAsText(name);
    } else {
      // Sent after the header a chunk at a time, never held whole.
      utilities.openTextResource(name, replyFile_);
    }
  } else if (command_ == QLatin1String(CMD_FILE_EXISTS)) {
    body = truthWord(utilities.fileExists(factory->getATWSFolder() + name));
  } else if (command_ == QLatin1String(CMD_WRITE_FILE)) {
    utilities.writeFile(factory->getATWSFolder() + name,
                        parameters_.value(QStringLiteral("content")));
  } else if (command_ == QLatin1String(CMD_DELETE_FILE)) {
    body = truthWord(utilities.deleteResourceFile(factory->getATWSFolder() + name));
  }

  xmlLease_ = utilities.takeXmlLease();
  toUtf8Bytes(header + body, reply);
  FT_LOG_TRACE(kClass, L"[UtilitiesHandler::processRequest]: Method end.");
  return true;
}
