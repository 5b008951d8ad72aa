#include "handlers/CrossSiteGuard.h"

#include <QSysInfo>

#include "dispatch/ResponseConstants.h"
#include "dispatch/URLCommandFactory.h"
#include "platform/FtLog.h"

namespace {

constexpr wchar_t kClass[] = L"CrossSiteGuard";

// The value of the first header called name (any case), or a null text.
QString headerValue(const QStringList& lines, QLatin1String name) {
  for (const QString& line : lines) {
    if (line.size() > name.size() && line.at(name.size()) == QLatin1Char(':') &&
        line.startsWith(name, Qt::CaseInsensitive))
      return line.mid(name.size() + 1).trimmed();
  }
  return {};
}

// Dotted decimal: four numbers of 0 to 255.
bool isIpv4(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('.'));
  if (parts.size() != 4) return false;
  for (const QString& part : parts) {
    bool ok = false;
    if (part.isEmpty() || part.size() > 3 || part.toInt(&ok) > 255 || !ok) return false;
  }
  return true;
}

// The host of "host[:port]" or "[v6]:port", port dropped.
QString withoutPort(const QString& authority) {
  if (authority.startsWith(QLatin1Char('['))) return authority.left(authority.indexOf(']') + 1);
  const qsizetype colon = authority.lastIndexOf(QLatin1Char(':'));
  return colon < 0 ? authority : authority.left(colon);
}

bool refuse(const QString& command, const wchar_t* why, const QString& value) {
  FT_LOG_WARNING(kClass, L"[allows]: %s refused, %s '%s'", FT_W(command), why, FT_W(value));
  return false;
}

}  // namespace

bool CrossSiteGuard::changesSomething(const QString& command) {
  return command == QLatin1String(CMD_WRITE_FILE) || command == QLatin1String(CMD_DELETE_FILE) ||
         command == QLatin1String(CMD_SEND_QUERY) || command == QLatin1String(CMD_SEND_RAW_QUERY);
}

// An IP literal cannot be rebound, and localhost never leaves the machine.
bool CrossSiteGuard::isOwnHost(const QString& host) {
  const QString name = withoutPort(host).toLower();
  if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']'))) return true;
  if (isIpv4(name) || name == QLatin1String("localhost")) return true;
  if (name.endsWith(QLatin1String(".localhost"))) return true;
  static const QString machine = QSysInfo::machineHostName().toLower();
  return !machine.isEmpty() && name == machine;
}

// Fetch metadata first (a browser's own word), then the Origin against the
// Host, then the Host itself.
bool CrossSiteGuard::allows(const QString& target, const QStringList& headerLines) {
  QString command;
  URLCommandFactory::extractURLCommand(target, command);
  if (!changesSomething(command)) return true;
  const QString site = headerValue(headerLines, QLatin1String("Sec-Fetch-Site"));
  if (!site.isNull() && site != QLatin1String("same-origin") && site != QLatin1String("none"))
    return refuse(command, L"the browser says it comes from", site);
  const QString host = headerValue(headerLines, QLatin1String("Host"));
  const QString origin = headerValue(headerLines, QLatin1String("Origin"));
  if (!origin.isNull()) {
    const qsizetype scheme = origin.indexOf(QLatin1String("://"));
    const QString authority = scheme < 0 ? QString() : origin.mid(scheme + 3);
    const bool sameOrigin =
        host.isEmpty() ? isOwnHost(authority) : authority.compare(host, Qt::CaseInsensitive) == 0;
    if (authority.isEmpty() || !sameOrigin) return refuse(command, L"it comes from", origin);
  }
  if (!host.isEmpty() && !isOwnHost(host))
    return refuse(command, L"this server is not the Host", host);
  return true;
}
