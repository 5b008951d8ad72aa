// Feeds arbitrary targets to the command and parameter extraction: no crash,
// no undefined behaviour, the same answer twice, and the command the pattern
// the scan replaced gives.
#include <QMap>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dispatch/URLCommandFactory.h"
#include "support/url_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString url =
      QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  QString command, again;
  QMap<QString, QString> parameters, repeated;
  URLCommandFactory::extractURLCommand(url, command);
  URLCommandFactory::extractURLCommand(url, again);
  URLCommandFactory::extractURLParameters(url, parameters);
  URLCommandFactory::extractURLParameters(url, repeated);
  if (command != again || parameters != repeated || command != commandByPattern(url)) std::abort();
  return 0;
}
