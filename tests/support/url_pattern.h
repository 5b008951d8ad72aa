// The pattern the command scan replaced, kept as the scan's reference by its
// test and its fuzz target.
#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

inline QString commandByPattern(const QString& url) {
  static const QRegularExpression prefix(QStringLiteral("^([^:]+://[^:/]+(:[0-9]+)?)?/+"));
  QString command = url;
  command.remove(prefix);
  const QStringList pieces = command.split(u'?', Qt::SkipEmptyParts);
  return pieces.isEmpty() ? command : pieces.first();
}
