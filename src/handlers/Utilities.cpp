#include "handlers/Utilities.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "BDomData.h"
#include "platform/FtLog.h"
#include "platform/WideText.h"

namespace {

constexpr wchar_t kClass[] = L"Utilities";

// Only "%" with two hexadecimal digits is an escape; any other "%" stays as written.
QByteArray percentDecoded(const QByteArray& text) {
  const auto hex = [](char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
  };
  QByteArray bytes;
  bytes.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      bytes += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

}  // namespace

Utilities::Utilities(const QString& root) : root(root) {
  if (!root.isEmpty()) cleanRoot = QDir::cleanPath(QDir::current().absoluteFilePath(root));
  FT_LOG_TRACE(kClass, L"[Utilities()]: Constructor called.");
}

Utilities::~Utilities() {
  FT_LOG_TRACE(kClass, L"[Utilities()]: Destructor called.");
}

// Confinement is decided on the text alone, so the file system never sees a
// name that leaves root; what it is given is still root + name unchanged.
bool Utilities::isInsideRoot(const QString& path) const {
  if (cleanRoot.isEmpty()) return false;
  const QString candidate = QDir::cleanPath(QDir::current().absoluteFilePath(path));
  if (candidate == cleanRoot) return true;
  const QString prefix =
      cleanRoot.endsWith(QLatin1Char('/')) ? cleanRoot : cleanRoot + QLatin1Char('/');
  return candidate.startsWith(prefix);
}

bool Utilities::resolve(const wchar_t* operation, const QString& name, QString& path) const {
  path = root + name;
  if (isInsideRoot(path)) return true;
  FT_LOG_WARNING(kClass, L"[%s(%s)]: '%s' leaves the data root, treated as missing.", operation,
                 FT_W(name), FT_W(path));
  return false;
}

bool Utilities::locate(const wchar_t* operation, const wchar_t* reader, const QString& name,
                       QString& path) const {
  if (!resolve(operation, name, path)) return false;
  if (!QFileInfo::exists(path)) path += QLatin1Char('c');
  if (QFileInfo::exists(path)) return true;
  FT_LOG_ERROR(kClass, L"[%s(%s)]: not found (last attempt '%s')", reader, FT_W(name), FT_W(path));
  return false;
}

bool Utilities::fileExists(const QString& name) {
  FT_LOG_TRACE(kClass, L"[fileExists()]: Method called.");
  QString path;
  return resolve(L"fileExists", name, path) && QFileInfo::exists(path);
}

// A read tries the name, then its scrambled variant, and unscrambles by the
// name actually opened.
QByteArray Utilities::readResourceAsBytes(const QString& name) {
  FT_LOG_TRACE(kClass, L"[readResourceAsBytes(%s)]: Method started.", FT_W(name));
  QByteArray bytes;
  QString path;
  if (!locate(L"readResourceAsBytes", L"readResourceAsBytes", name, path)) return bytes;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    FT_LOG_ERROR(kClass, L"[readFile]:Error reading %s", FT_W(path));
  } else {
    bytes = file.readAll();
    file.close();
    if (isEncrypted(path)) {
      decrypt(bytes);
    } else {
      FT_LOG_INFO(kClass, L"[readFile(%s)]: is not encrypted.", FT_W(path));
    }
  }
  FT_LOG_TRACE(kClass, L"[readFile()]: Method end.");
  return bytes;
}

// Scrambled: the complete extension of the file name, lower-cased, ends in 'c'.
bool Utilities::isEncrypted(const QString& path) {
  const QString extension = QFileInfo(path).completeSuffix().toLower();
  return extension.endsWith(QLatin1Char('c'));
}

void Utilities::decrypt(QByteArray& bytes) {
  FT_LOG_TRACE(kClass, L"[decrypt()]: Method started.");
  for (char& b : bytes) b = static_cast<char>(~static_cast<unsigned char>(b));
  FT_LOG_TRACE(kClass, L"[decrypt()]: Method end.");
}

// Text: ".xml" names (any case) go through the DOM, the rest is UTF-8.
QString Utilities::readResourceAsText(const QString& name) {
  if (name.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive)) return readXMLResource(name);
  const QByteArray bytes = readResourceAsBytes(name);
  if (!bytes.isEmpty()) return QString::fromUtf8(bytes);
  FT_LOG_ERROR(kClass, L"[readResourceAsText(%s)]: failed.", FT_W(name));
  return {};
}

// XML: the document as the DOM writes it out, not the file's bytes. A scrambled
// file is unscrambled before the DOM parses it, since the DOM cannot.
QString Utilities::readXMLResource(const QString& name) {
  FT_LOG_TRACE(kClass, L"[readXMLResource(%s)]: Method start.", FT_W(name));
  QString path;
  if (!locate(L"readXMLResource", L"readResourceAsText", name, path)) return {};
  QString result;
  BDomData dom;
  bool loaded = false;
  if (isEncrypted(path)) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      QByteArray bytes = file.readAll();
      decrypt(bytes);
      loaded = !bytes.isEmpty() && dom.setXML(toWide(QString::fromUtf8(bytes)));
    }
  } else {
    loaded = dom.load(path.toUtf8().constData());
  }
  if (!loaded) {
    FT_LOG_ERROR(kClass, L"[readXMLFile]:Error reading XML: %s", FT_W(path));
  } else {
    ACE_WString xml;
    if (dom.getXML(xml)) {
      result = fromWide(xml);
    } else {
      FT_LOG_ERROR(kClass, L"[readXMLFile]:Not valid XML content for XML: %s", FT_W(path));
    }
  }
  FT_LOG_TRACE(kClass, L"[readXMLFile(%s)]: Method end.", FT_W(path));
  return result;
}

// The content arrives percent-encoded ('+' is not a blank). It is written to a
// temporary file beside the target and renamed over it, so a reader sees the
// old or the new file whole and a failed write changes nothing.
void Utilities::writeFile(const QString& name, const QString& content) {
  FT_LOG_TRACE(kClass, L"[writeFile(%s)]: Method started.", FT_W(name));
  QString path;
  if (resolve(L"writeFile", name, path)) {
    const QByteArray bytes = QString::fromUtf8(percentDecoded(content.toUtf8())).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
      file.cancelWriting();
      FT_LOG_ERROR(kClass, L"[readFile]:Error writing %s", FT_W(path));
    }
  }
  FT_LOG_TRACE(kClass, L"[writeFile()]: Method end.");
}

bool Utilities::deleteResourceFile(const QString& name) {
  FT_LOG_TRACE(kClass, L"[deleteResourceFile(%s)]: Method start.", FT_W(name));
  QString path;
  if (!resolve(L"deleteResourceFile", name, path)) return false;
  if (!QFileInfo::exists(path)) {
    FT_LOG_WARNING(kClass, L"[deleteResourceFile()]: File %s does not exist.", FT_W(path));
    return false;
  }
  if (!QFile::remove(path)) {
    FT_LOG_WARNING(kClass, L"[deleteResourceFile()]: File %s cannot be delete.", FT_W(path));
    return false;
  }
  FT_LOG_TRACE(kClass, L"[deleteResourceFile()]: Method end with success.");
  return true;
}
