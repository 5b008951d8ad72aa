#include "handlers/ScenarioHandler.h"

#include "dispatch/URLCommandFactory.h"
#include "handlers/Utilities.h"
#include "platform/FtLog.h"

namespace {

constexpr wchar_t kClass[] = L"ScenarioHandler";
constexpr char kTitleMarker[] = "<div id='title'";
constexpr char kDevelopmentAttribute[] = " onfocus='javascript:endFT();' ";

}  // namespace

ScenarioHandler::~ScenarioHandler() = default;

Reply ScenarioHandler::endScenario() {
  FT_LOG_TRACE(kClass, L"[processRequest]:Scenario end request received.");
  Reply reply = Reply::html(QByteArrayLiteral("end\r\n"));
  reply.stopEvents = 1;
  return reply;
}

Reply ScenarioHandler::servePage() {
  URLCommandFactory* factory = URLCommandFactory::getInstance();
  if (factory == nullptr) {
    FT_LOG_ERROR(kClass, L"[processRequest]: URLCommandFactory::getInstance() returns null.");
    return Reply::failure();
  }
  // One reading of the settings for the whole page, whatever a reload does meanwhile.
  const auto settings = factory->getSettings();
  const QString path =
      settings->guiHtmlFolder + parameters_.value(QStringLiteral("gui")) + QLatin1String(".html");
  Utilities utilities(settings->dataRoot);
  QString page = utilities.readResourceAsText(path);
  if (page.isEmpty()) {
    // The failure's own stop event follows this one, so the host sees two for
    // a missing page.
    FT_LOG_ERROR(
        kClass,
        L"[processRequest]: Scenario resource %s does not exist, notifying EVT_ORV_STOP_SCEN",
        FT_W(path));
    return Reply::failure(1);
  }
  processScripts(page, settings->jsApiFolder, settings->developmentMode);
  return Reply::html(page.toUtf8());
}

bool ScenarioHandler::processScripts(QString& page) {
  const URLCommandFactory* factory = URLCommandFactory::getInstance();
  if (factory == nullptr) return processScripts(page, QString(), false);
  return processScripts(page, factory->getJSAPIFolder(), factory->isDevelopmentMode());
}

// Scripts go right before the first "</head>", or first when the page has none; the development
// attribute only into a title div found after that point.
bool ScenarioHandler::processScripts(QString& page, const QString& jsApiFolder,
                                     bool developmentMode) {
  qsizetype pos = page.indexOf(QLatin1String("</head>"));
  if (pos < 0) pos = 0;
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
