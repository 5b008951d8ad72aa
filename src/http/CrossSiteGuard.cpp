#include "http/CrossSiteGuard.h"

#include <QSysInfo>

#include "platform/FtLog.h"

namespace {

constexpr wchar_t kClass[] = L"CrossSiteGuard";

// The values of every header called name (any case), in order.
QStringList headerValues(const QStringList& lines, QLatin1String name) {
  QStringList values;
  for (const QString& line : lines) {
    if (line.size() > name.size() && line.at(name.size()) == QLatin1Char(':') &&
        line.startsWith(name, Qt::CaseInsensitive))
      values.append(line.mid(name.size() + 1).trimmed());
  }
  return values;
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

}  // namespace

// An IP literal cannot be rebound, and localhost never leaves the machine.
bool CrossSiteGuard::isOwnHost(const QString& host) {
  const QString name = withoutPort(host).toLower();
  if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']'))) return true;
  if (isIpv4(name) || name == QLatin1String("localhost")) return true;
  if (name.endsWith(QLatin1String(".localhost"))) return true;
  static const QString machine = QSysInfo::machineHostName().toLower();
  return !machine.isEmpty() && name == machine;
}

// Fetch metadata first (a browser's own word), then each Origin against the
// Host, then each Host itself.
const wchar_t* CrossSiteGuard::foreignBecause(const QStringList& headerLines, QString& value) {
  for (const QString& site : headerValues(headerLines, QLatin1String("Sec-Fetch-Site"))) {
    value = site;
    if (site != QLatin1String("same-origin") && site != QLatin1String("none"))
      return L"the browser says it comes from";
  }
  // An empty Host says nothing, as an absent one.
  QStringList hosts = headerValues(headerLines, QLatin1String("Host"));
  hosts.removeAll(QString());
  for (const QString& origin : headerValues(headerLines, QLatin1String("Origin"))) {
    value = origin;
    const qsizetype scheme = origin.indexOf(QLatin1String("://"));
    const QString authority = scheme < 0 ? QString() : origin.mid(scheme + 3);
    if (authority.isEmpty()) return L"it comes from";
    if (hosts.isEmpty() && !isOwnHost(authority)) return L"it comes from";
    for (const QString& host : hosts)
      if (authority.compare(host, Qt::CaseInsensitive) != 0) return L"it comes from";
  }
  for (const QString& host : hosts) {
    value = host;
    if (!isOwnHost(host)) return L"this server is not the Host";
  }
  value.clear();
  return nullptr;
}

bool CrossSiteGuard::allows(const QString& command, bool changesState,
                            const QStringList& headerLines, bool headEnded) {
  if (!changesState) return true;
  if (!headEnded) {
    // What came too late to be read could have said the request is foreign.
    FT_LOG_WARNING(kClass, L"[allows]: %s refused, its headers did not end in time", FT_W(command));
    return false;
  }
  QString value;
  const wchar_t* why = foreignBecause(headerLines, value);
  if (why == nullptr) return true;
  FT_LOG_WARNING(kClass, L"[allows]: %s refused, %s '%s'", FT_W(command), why, FT_W(value));
  return false;
}
