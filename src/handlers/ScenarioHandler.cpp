#include "handlers/ScenarioHandler.h"

#include "dispatch/ResponseConstants.h"
#include "dispatch/URLCommandFactory.h"
#include "handlers/Utilities.h"
#include "platform/FtLog.h"

namespace {

constexpr wchar_t kClass[] = L"ScenarioHandler";
constexpr char kTitleMarker[] = "<div id='title'";
constexpr char kDevelopmentAttribute[] = " onfocus='javascript:endFT();' ";

}  // namespace

ScenarioHandler::~ScenarioHandler() = default;

// "FT" needs gui, mw and flow non-empty (the first failing one is warned about);
// "ENDFT" needs nothing.
bool ScenarioHandler::checkParameters() {
  if (command_ == QLatin1String(CMD_FT)) {
    return !isParameterEmpty(QStringLiteral("gui")) && !isParameterEmpty(QStringLiteral("mw")) &&
           !isParameterEmpty(QStringLiteral("flow"));
  }
  return command_ == QLatin1String(CMD_ENDFT);
}

bool ScenarioHandler::processRequest(QByteArray& reply) {
  URLCommandFactory* factory = URLCommandFactory::getInstance();
  if (factory == nullptr) {
    FT_LOG_ERROR(kClass, L"[processRequest]: URLCommandFactory::getInstance() returns null.");
    return false;
  }
  if (command_ == QLatin1String(CMD_ENDFT)) {
    FT_LOG_TRACE(kClass, L"[processRequest]:Scenario end request received.");
    toUtf8Bytes(QLatin1String(HTTP_200_HTML_HEADER) + QLatin1String("end\r\n"), reply);
    notifyStopScenario();
    return true;
  }
  if (command_ != QLatin1String(CMD_FT)) {
    FT_LOG_ERROR(kClass, L"[processRequest]: unknown command '%s'.", FT_W(command_));
    return false;
  }

  const QString path = factory->getGUIHtmlFolder() + parameters_.value(QStringLiteral("gui")) +
                       QLatin1String(".html");
  Utilities utilities(factory->getDataRoot());
  const QString text = utilities.readResourceAsText(path);
  if (text.isEmpty()) {
    // The connection handler answers the same 404 and stops the scenario once
    // more, so the host sees the stop event twice for a missing page.
    toUtf8Bytes(QLatin1String(HTTP_404_NOT_FOUND), reply);
    FT_LOG_ERROR(
        kClass,
        L"[processRequest]: Scenario resource %s does not exist, notifying EVT_ORV_STOP_SCEN",
        FT_W(path));
    notifyStopScenario();
    return false;
  }
  QString page = QLatin1String(HTTP_200_HTML_HEADER) + text;
  processScripts(page);
  toUtf8Bytes(page, reply);
  return true;
}

bool ScenarioHandler::processScripts(QString& page) {
  const URLCommandFactory* factory = URLCommandFactory::getInstance();
  if (factory == nullptr) return processScripts(page, QString(), false);
  return processScripts(page, factory->getJSAPIFolder(), factory->isDevelopmentMode());
}

// Scripts go right before the first "</head>", or right after the HTTP header
// when the page has none; the development attribute only into a title div
// found after that point.
bool ScenarioHandler::processScripts(QString& page, const QString& jsApiFolder,
                                     bool developmentMode) {
  qsizetype pos = page.indexOf(QLatin1String("</head>"));
  if (pos < 0) pos = qMin(page.size(), qsizetype(sizeof(HTTP_200_HTML_HEADER) - 1));
  const QString scripts = QLatin1String("\t\t<script type=\"text/javascript\" src=\"") +
                          jsApiFolder + QLatin1String("init.js\"></script>\r\n") +
                          QLatin1String("\t\t<script type=\"text/javascript\">\r\n") +
                          QLatin1String("window.onload = init;</script>\r\n") + QLatin1String("\t");
  page.insert(pos, scripts);
  if (developmentMode) {
    const qsizetype title = page.indexOf(QLatin1String(kTitleMarker), pos);
    if (title >= 0)
      page.insert(title + qsizetype(sizeof(kTitleMarker) - 1),
                  QLatin1String(kDevelopmentAttribute));
  }
  return true;
}
