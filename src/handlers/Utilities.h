#pragma once

#include <QByteArray>
#include <QString>

// The handlers' only access to the disk. Names are relative to root and joined
// to it as they stand. A name that leaves root once "." and ".." are resolved
// is treated as a missing file: nothing outside root is read, written or
// deleted. Immutable after construction; one object per request.
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
  // path = root + name; false, with a warning, when that leaves root.
  bool resolve(const wchar_t* operation, const QString& name, QString& path) const;
  // resolve, then the scrambled variant when the name itself does not exist;
  // false, with an error naming reader, when neither does.
  bool locate(const wchar_t* operation, const wchar_t* reader, const QString& name,
              QString& path) const;
  bool isInsideRoot(const QString& path) const;

  QString root;
  // root made absolute with "." and ".." resolved and no trailing '/';
  // empty when root is empty, which confines every name out.
  QString cleanRoot;
};
