#pragma once

#include <QMap>
#include <QString>

#include "dispatch/CommandHandlerBase.h"

// Serves a GUI file below the data root; the factory's default for any word
// that is not a command.
class ResourceHandler : public CommandHandlerBase {
 public:
  bool processRequest(QByteArray& reply) override;
  bool checkParameters() override;
  ~ResourceHandler() override;
  // The content-type header block for the path's complete extension.
  static QString getContentTypeFromResourcePath(const QString& path);

 private:
  static const QMap<QString, QString> kContentTypes;
};
