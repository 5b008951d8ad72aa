#include "handlers/UtilitiesHandler.h"

#include <memory>

#include "dispatch/URLCommandFactory.h"
#include "handlers/Utilities.h"
#include "handlers/XmlReadBudget.h"
#include "platform/FtLog.h"

namespace {

constexpr wchar_t kClass[] = L"UtilitiesHandler";
constexpr char kPlainType[] = "text/plain; charset=UTF-8";
constexpr char kXmlType[] = "text/xml; charset=UTF-8";

Reply truthWord(bool value) {
  return Reply::ok(kPlainType, value ? QByteArrayLiteral("1") : QByteArrayLiteral("0"));
}

}  // namespace

std::shared_ptr<const URLCommandFactory::Settings> UtilitiesHandler::settings() {
  URLCommandFactory* factory = URLCommandFactory::getInstance();
  if (factory == nullptr) {
    FT_LOG_ERROR(
        kClass,
        L"[UtilitiesHandler::processRequest]: URLCommandFactory::getInstance() returns null.");
    return nullptr;
  }
  return factory->getSettings();
}

QString UtilitiesHandler::atwsName(const URLCommandFactory::Settings& settings) const {
  return settings.atwsFolder + parameters_.value(QStringLiteral("name"));
}

Reply UtilitiesHandler::answerRead() {
  return read(false);
}

Reply UtilitiesHandler::answerReadXml() {
  return read(true);
}

// readFile looks in the ATWS folder; readXMLFile in the folder its type names,
// else from the data root.
Reply UtilitiesHandler::read(bool xml) {
  const auto settings = this->settings();
  if (settings == nullptr) return Reply::failure();
  QString name = parameters_.value(QStringLiteral("name"));
  if (!xml) {
    name = settings->atwsFolder + name;
  } else {
    const QString type = parameters_.value(QStringLiteral("type"));
    if (type == QLatin1String("MWExt")) {
      name = settings->mwExternalFolder + name;
    } else if (type == QLatin1String("ECUSpec")) {
      name = settings->mwEcuSpecificFolder + name;
    }
  }
  Utilities utilities(settings->dataRoot);
  if (!utilities.fileExists(name)) {
    FT_LOG_WARNING(kClass, L"[processRequest]: resource %s does not exist", FT_W(name));
    return Reply::ok(kPlainType);
  }
  if (xml || name.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)) {
    Reply reply =
        Reply::ok(xml ? kXmlType : kPlainType, utilities.readResourceAsText(name).toUtf8());
    reply.held = std::make_shared<XmlReadBudget::Lease>(utilities.takeXmlLease());
    return reply;
  }
  // Sent after the head a chunk at a time, never held whole.
  Reply reply = Reply::ok(kPlainType);
  utilities.openTextResource(name, reply.file);
  return reply;
}

Reply UtilitiesHandler::answerExists() {
  const auto settings = this->settings();
  if (settings == nullptr) return Reply::failure();
  return truthWord(Utilities(settings->dataRoot).fileExists(atwsName(*settings)));
}

Reply UtilitiesHandler::answerWrite() {
  const auto settings = this->settings();
  if (settings == nullptr) return Reply::failure();
  Utilities(settings->dataRoot)
      .writeFile(atwsName(*settings), parameters_.value(QStringLiteral("content")));
  return Reply::ok(kPlainType);
}

Reply UtilitiesHandler::answerDelete() {
  const auto settings = this->settings();
  if (settings == nullptr) return Reply::failure();
  return truthWord(Utilities(settings->dataRoot).deleteResourceFile(atwsName(*settings)));
}
