#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "confined/ConfinedRoot.h"
#include "handlers/XmlReadBudget.h"

class ReplyFile;

// The file commands over the data root. Names are relative to root and joined
// to it as they stand; the root decides what may be touched (ConfinedRoot), and
// a name that leaves it is treated as a missing file: nothing outside root is
// read, written or deleted. One object per request, on one thread.
class Utilities {
 public:
  explicit Utilities(const QString& root);
  virtual ~Utilities();

  bool fileExists(const QString& name);
  QByteArray readResourceAsBytes(const QString& name);
  // Opens what readResourceAsBytes would read, for sending without reading
  // it here; false, logged as readResourceAsBytes does, when it cannot.
  // text: it goes out as readResourceAsText decodes it.
  bool openResource(const QString& name, ReplyFile& file, bool text = false);
  QString readResourceAsText(const QString& name);
  // Opens what readResourceAsText answers for a name that is not XML, to be
  // sent without holding it; false, logged as readResourceAsText does, when
  // that answer is empty.
  bool openTextResource(const QString& name, ReplyFile& file);
  // Refused (empty, with a warning) when the documents being read already
  // hold the XML read budget; the share taken stays with this object.
  QString readXMLResource(const QString& name);
  // The budget held by what readXMLResource gave: to be kept until the reply
  // holding it has left.
  XmlReadBudget::Lease takeXmlLease() { return std::move(xmlLease_); }
  bool isEncrypted(const QString& path);
  void decrypt(QByteArray& bytes);
  void writeFile(const QString& name, const QString& content);
  bool deleteResourceFile(const QString& name);

  // Leaf names of the temporary files of writes start with this; the file
  // commands never see such a name.
  static constexpr const char* kTemporaryPrefix = ConfinedRoot::kTemporaryPrefix;

 private:
  using Where = ConfinedRoot::Where;
  using Target = ConfinedRoot::Target;

  // The name, then its scrambled variant, resolved; false, with an error
  // naming reader, when neither exists.
  bool locate(const wchar_t* operation, const wchar_t* reader, const QString& name,
              Target& target) const;
  bool warnOutside(const wchar_t* operation, const QString& name, const QString& path) const;
  bool readWhole(const Target& target, QByteArray& bytes) const;
  // Where a write goes: an existing file, or a new one in a folder inside root.
  bool writeTarget(const QString& name, const QString& path, Target& target) const;
  bool replaceWith(int folder, const std::string& leaf, const QByteArray& bytes,
                   std::string& temporary, int& error) const;

  XmlReadBudget::Lease xmlLease_;
  ConfinedRoot root_;
};
