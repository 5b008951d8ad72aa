#include "http/RequestLine.h"

#include <QStringList>

// The first non-empty line, its white space simplified, is "METHOD TARGET HTTP/d.d".
RequestLine RequestLine::parse(const QString& head) {
  RequestLine line;
  const QString text = head.trimmed();
  const qsizetype feed = text.indexOf(u'\n');
  const bool crlf = feed > 0 && text.at(feed - 1) == u'\r';
  const QStringList lines = crlf ? text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)
                                 : text.split(u'\n', Qt::SkipEmptyParts);
  if (lines.isEmpty()) return line;

  const QStringList words = lines.first().simplified().split(u' ', Qt::SkipEmptyParts);
  if (words.size() > 0) line.method = words.at(0);
  if (words.size() > 1) line.target = words.at(1);
  if (words.size() > 2) {
    const QString& version = words.at(2);
    if (version.size() >= 8 && version.startsWith(QStringLiteral("HTTP/")) &&
        version.at(5).isDigit() && version.at(6) == u'.' && version.at(7).isDigit()) {
      line.majorVersion = version.at(5).digitValue();
      line.minorVersion = version.at(7).digitValue();
      line.valid = true;
    }
  }
  return line;
}
