#include "handlers/GUIHandler.h"

#include <QStringList>

#include "IBText.h"
#include "dispatch/ResponseConstants.h"
#include "dispatch/URLCommandFactory.h"
#include "platform/FtLog.h"
#include "platform/WideText.h"

namespace {

constexpr wchar_t kClass[] = L"GUIHandler";
constexpr char kQualityPrefix[] = "C3P_";

}  // namespace

GUIHandler::GUIHandler() {
  FT_LOG_TRACE(kClass, L"[GUIHandler()]: Constructor called.");
}

// "getText" needs a non-empty textCode and an origin of exactly K or Q.
bool GUIHandler::checkParameters() {
  if (!CommandHandlerBase::checkParameters()) return false;
  const auto origin = parameters_.constFind(QStringLiteral("origin"));
  if (origin == parameters_.constEnd()) {
    FT_LOG_WARNING(kClass, L"[checkParameters]: parameter origin missing, K or Q expected");
    return false;
  }
  if (*origin == QLatin1String("K") || *origin == QLatin1String("Q")) return true;
  FT_LOG_WARNING(kClass, L"[checkParameters]: parameter origin is '%s', K or Q expected",
                 FT_W(*origin));
  return false;
}

Reply GUIHandler::answerTexts() {
  const QString codes = parameters_.value(QStringLiteral("textCode"));
  const ETextOrigin origin =
      parameters_.value(QStringLiteral("origin")) == QLatin1String("Q") ? ORIGIN_Q : ORIGIN_K;
  return Reply::html(GetText(codes, origin).toUtf8());
}

// One text per non-empty code, in order, joined by ';'. Without a text service
// every text is empty but the separators stay, so the page's fields still line up.
QString GUIHandler::GetText(QString codes, ETextOrigin origin) {
  FT_LOG_TRACE(kClass, L"[GetText(QString %s, ETextOrigin %d)]: called.", FT_W(codes), int(origin));
  const URLCommandFactory* factory = URLCommandFactory::getInstance();
  IBText* textService = factory != nullptr ? factory->getTextService() : nullptr;
  if (textService == nullptr) {
    FT_LOG_WARNING(kClass, L"[GetText]: no text service, answering empty texts for '%s'.",
                   FT_W(codes));
  }
  const ACE_WString noDefault;
  QString result;
  const QStringList pieces = codes.split(QLatin1Char(LIST_SEPARATOR), Qt::SkipEmptyParts);
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    if (i > 0) result += QLatin1Char(LIST_SEPARATOR);
    if (textService == nullptr) continue;
    const QString code = origin == ORIGIN_Q ? QLatin1String(kQualityPrefix) + pieces[i] : pieces[i];
    ACE_WString text;
    textService->lookupText(text, toWide(code), noDefault);
    result += fromWide(text);
  }
  FT_LOG_TRACE(kClass, L"[GetText]: end.");
  return result;
}
