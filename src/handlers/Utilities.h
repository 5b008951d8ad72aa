#pragma once

#include <QByteArray>
#include <QString>

// The handlers' only access to the disk. Names are relative to root and joined
// to it as they stand.
class Utilities {
 public:
  explicit Utilities(const QString& root);
  virtual ~Utilities();

  bool fileExists(const QString& name);
  QByteArray readResourceAsBytes(const QString& name);
  QString readResourceAsText(const QString& name);
  QString readXMLResource(const QString& name);
  bool isEncrypted(const QString& path);
  void decrypt(QByteArray& bytes);
  void writeFile(const QString& name, const QString& content);
  bool deleteResourceFile(const QString& name);

 private:
  QString root;
};
