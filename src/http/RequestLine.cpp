#include "http/RequestLine.h"

#include <QStringList>

// The first non-empty line, its white space simplified, is "METHOD TARGET HTTP/d.d".
RequestLine RequestLine::parse(const QString& head) {
  RequestLine line;
  // Trimmed, the head starts with its first line; the rest is not split up.
  const QString text = head.trimmed();
  if (text.isEmpty()) return line;
  const qsizetype feed = text.indexOf(u'\n');
  const bool crlf = feed > 0 && text.at(feed - 1) == u'\r';
  const QString first = feed < 0 ? text : text.left(crlf ? feed - 1 : feed);

  const QStringList words = first.simplified().split(u' ', Qt::SkipEmptyParts);
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
