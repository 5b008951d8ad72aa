#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "handlers/XmlReadBudget.h"

class ReplyFile;

// The handlers' only access to the disk. Names are relative to root and joined
// to it as they stand. A name that leaves root, either as written or once the
// kernel has followed its links, is treated as a missing file: nothing outside
// root is read, written or deleted. One object per request, on one thread.
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
  static constexpr char kTemporaryPrefix[] = ".ft-write-";

 private:
  // A file below the resolved root, its path free of links.
  struct Target {
    QString relative;  // below realRoot_, "" for realRoot_ itself
    QString shown;     // the path as built from the name, for the log
  };
  enum class Where { Inside, Missing, Outside };

  // root + name, false with a warning when the text alone leaves root.
  bool joinInside(const wchar_t* operation, const QString& name, QString& path) const;
  // Where path ends once the kernel has followed its links.
  Where resolveExisting(const QString& path, Target& target) const;
  // joinInside, then resolveExisting of the name or else its scrambled
  // variant; false, with an error naming reader, when neither exists.
  bool locate(const wchar_t* operation, const wchar_t* reader, const QString& name,
              Target& target) const;
  bool warnOutside(const wchar_t* operation, const QString& name, const QString& path) const;
  // root + name opened for reading when no link, "." or ".." is on the way.
  int openPlain(const QString& name, Target& target) const;
  // A descriptor of the target opened for reading, or -1 with error set.
  int openForReading(const Target& target, int& error) const;
  bool readWhole(const Target& target, QByteArray& bytes) const;
  bool replaceWith(int folder, const std::string& leaf, const QByteArray& bytes,
                   std::string& temporary, int& error) const;
  bool isTemporary(const QString& leaf) const;
  bool isInsideText(const QString& path) const;

  XmlReadBudget::Lease xmlLease_;
  QString root_;
  // root made absolute with "." and ".." resolved and no trailing '/';
  // empty when root is empty, which confines every name out.
  QString cleanRoot_;
  // root as the kernel resolves it, found when first needed; empty when it
  // does not exist.
  const QString& realRoot() const;
  mutable QString realRoot_;
  mutable bool realRootResolved_ = false;
};
