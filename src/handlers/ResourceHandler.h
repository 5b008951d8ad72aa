#pragma once

#include <QMap>
#include <QString>

#include "dispatch/CommandHandlerBase.h"

// Serves a GUI file below the data root; the factory's default for any word
// that is not a command.
class ResourceHandler : public CommandHandlerBase {
 public:
  // The file, or a 404 that is not a failure: a page may look for optional files.
  Reply answer() override;
  ~ResourceHandler() override;
  // The content-type header block for the path's complete extension.
  static QString getContentTypeFromResourcePath(const QString& path);
  // The same type as the header's value.
  static QString contentTypeOf(const QString& path);

 private:
  static const QMap<QString, QString> kContentTypes;
};
