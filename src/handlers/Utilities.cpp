#include "handlers/Utilities.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>

#include "BDomData.h"
#include "http/ReplyFile.h"
#include "platform/FtLog.h"
#include "platform/Limits.h"
#include "platform/Platform.h"
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

std::string local(const QString& text) {
  return text.toStdString();
}

std::wstring reason(int error) {
  return QString::fromStdString(Platform::errorText(error)).toStdWString();
}

void logWriteError(const QString& path, int cause) {
  FT_LOG_ERROR(kClass, L"[readFile]:Error writing %s: %s", FT_W(path), reason(cause).c_str());
}

QString joined(const QString& folder, const QString& leaf) {
  return folder.isEmpty() ? leaf : folder + QLatin1Char('/') + leaf;
}

}  // namespace

Utilities::Utilities(const QString& root) : root_(root) {
  FT_LOG_TRACE(kClass, L"[Utilities()]: Constructor called.");
}

Utilities::~Utilities() {
  FT_LOG_TRACE(kClass, L"[Utilities()]: Destructor called.");
}

bool Utilities::warnOutside(const wchar_t* operation, const QString& name,
                            const QString& path) const {
  FT_LOG_WARNING(kClass, L"[%s(%s)]: '%s' leaves the data root, treated as missing.", operation,
                 FT_W(name), FT_W(path));
  return false;
}

bool Utilities::locate(const wchar_t* operation, const wchar_t* reader, const QString& name,
                       Target& target) const {
  const QString path = root_.pathOf(name);
  Where where = root_.resolve(path, target);
  if (where == Where::Missing) where = root_.resolve(path + QLatin1Char('c'), target);
  if (where == Where::Outside) return warnOutside(operation, name, target.shown);
  if (where == Where::Inside) return true;
  FT_LOG_ERROR(kClass, L"[%s(%s)]: not found (last attempt '%s')", reader, FT_W(name),
               FT_W(target.shown));
  return false;
}

bool Utilities::readWhole(const Target& target, QByteArray& bytes) const {
  int error = 0;
  const FileHandle file = root_.openForReading(target, error);
  long long size = file.isOpen() ? Platform::regularFileSize(file.get(), error) : -1;
  if (size >= 0) {
    bytes.resize(static_cast<qsizetype>(size));
    size = Platform::readFully(file.get(), bytes.data(), size, error);
  }
  if (size < 0) {
    bytes.clear();
    FT_LOG_ERROR(kClass, L"[readFile]:Error reading %s: %s", FT_W(target.shown),
                 reason(error).c_str());
    return false;
  }
  bytes.resize(static_cast<qsizetype>(size));
  return true;
}

bool Utilities::fileExists(const QString& name) {
  FT_LOG_TRACE(kClass, L"[fileExists()]: Method called.");
  Target target;
  const Where where = root_.resolve(root_.pathOf(name), target);
  if (where == Where::Outside) return warnOutside(L"fileExists", name, target.shown);
  return where == Where::Inside;
}

// A read tries the name, then its scrambled variant, and unscrambles by the
// name actually opened.
QByteArray Utilities::readResourceAsBytes(const QString& name) {
  FT_LOG_TRACE(kClass, L"[readResourceAsBytes(%s)]: Method started.", FT_W(name));
  QByteArray bytes;
  Target target;
  if (!locate(L"readResourceAsBytes", L"readResourceAsBytes", name, target)) return bytes;
  if (readWhole(target, bytes)) {
    if (isEncrypted(target.shown)) {
      decrypt(bytes);
    } else {
      FT_LOG_INFO(kClass, L"[readFile(%s)]: is not encrypted.", FT_W(target.shown));
    }
  }
  FT_LOG_TRACE(kClass, L"[readFile()]: Method end.");
  return bytes;
}

bool Utilities::openResource(const QString& name, ReplyFile& file, bool text) {
  FT_LOG_TRACE(kClass, L"[readResourceAsBytes(%s)]: Method started.", FT_W(name));
  Target target;
  int error = 0;
  long long size = -1;
  FileHandle opened = root_.openPlain(name, target, size);
  if (!opened.isOpen()) {
    if (!locate(L"readResourceAsBytes", L"readResourceAsBytes", name, target)) return false;
    opened = root_.openForReading(target, error);
    size = opened.isOpen() ? Platform::regularFileSize(opened.get(), error) : -1;
  }
  if (size < 0) {
    FT_LOG_ERROR(kClass, L"[readFile]:Error reading %s: %s", FT_W(target.shown),
                 reason(error).c_str());
    return false;
  }
  const bool scrambled = isEncrypted(target.shown);
  if (!scrambled) FT_LOG_INFO(kClass, L"[readFile(%s)]: is not encrypted.", FT_W(target.shown));
  file = ReplyFile(std::move(opened), size, scrambled, text);
  FT_LOG_TRACE(kClass, L"[readFile()]: Method end.");
  return true;
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

bool Utilities::openTextResource(const QString& name, ReplyFile& file) {
  if (openResource(name, file, true) && file.size() > 0) return true;
  file.close();
  FT_LOG_ERROR(kClass, L"[readResourceAsText(%s)]: failed.", FT_W(name));
  return false;
}

// XML: the document as the DOM writes it out, not the file's bytes. A scrambled
// file is unscrambled before the DOM parses it, since the DOM cannot.
QString Utilities::readXMLResource(const QString& name) {
  FT_LOG_TRACE(kClass, L"[readXMLResource(%s)]: Method start.", FT_W(name));
  Target target;
  if (!locate(L"readXMLResource", L"readResourceAsText", name, target)) return {};
  QString result;
  int error = 0;
  const FileHandle file = root_.openForReading(target, error);
  const long long size = file.isOpen() ? Platform::regularFileSize(file.get(), error) : 0;
  if (size > limits::kMaxXmlFileBytes) {
    FT_LOG_WARNING(kClass, L"[readXMLFile]: %s exceeds %d bytes (kMaxXmlFileBytes), not read.",
                   FT_W(target.shown), limits::kMaxXmlFileBytes);
    return result;
  }
  XmlReadBudget::Lease lease;
  if (!XmlReadBudget::take(std::max(size, 0LL), lease)) {
    FT_LOG_WARNING(kClass,
                   L"[readXMLFile]: %s not read, the XML documents being read hold %lld of "
                   L"%lld bytes (kXmlReadBudgetBytes).",
                   FT_W(target.shown), XmlReadBudget::inUse(), limits::kXmlReadBudgetBytes);
    return result;
  }
  ACE_WString xml;
  bool loaded = false;
  bool written = false;
  {  // the DOM goes before its text is converted
    BDomData dom;
    if (isEncrypted(target.shown)) {
      QByteArray bytes;
      if (readWhole(target, bytes)) {
        decrypt(bytes);
        loaded = !bytes.isEmpty() && dom.setXML(toWide(QString::fromUtf8(bytes)));
      }
    } else {
      // The DOM reads by path: it is given the file already opened, not the name.
      loaded = file.isOpen() && dom.load(Platform::openedFilePath(file.get()).c_str());
    }
    written = loaded && dom.getXML(xml);
  }
  if (!loaded) {
    FT_LOG_ERROR(kClass, L"[readXMLFile]:Error reading XML: %s", FT_W(target.shown));
  } else if (!written) {
    FT_LOG_ERROR(kClass, L"[readXMLFile]:Not valid XML content for XML: %s", FT_W(target.shown));
  } else {
    result = fromWide(xml);
    xmlLease_ = std::move(lease);
  }
  FT_LOG_TRACE(kClass, L"[readXMLFile(%s)]: Method end.", FT_W(target.shown));
  return result;
}

// The content arrives percent-encoded ('+' is not a blank). It is written to a
// file beside the target and renamed over it, so a reader sees the old or the
// new file whole and a failed write changes nothing. A link as the name writes
// where it leads, if that is inside root.
void Utilities::writeFile(const QString& name, const QString& content) {
  FT_LOG_TRACE(kClass, L"[writeFile(%s)]: Method started.", FT_W(name));
  const QString path = root_.pathOf(name);
  Target target;
  if (!writeTarget(name, path, target)) return;
  int error = 0;
  std::string leaf;
  const FileHandle parent = root_.openFolderOf(target, leaf, error);
  if (!parent.isOpen()) return logWriteError(path, error);

  const QByteArray bytes = QString::fromUtf8(percentDecoded(content.toUtf8())).toUtf8();
  std::string temporary;
  if (!replaceWith(parent.get(), leaf, bytes, temporary, error)) {
    int ignored = 0;
    if (!temporary.empty()) Platform::removeIn(parent.get(), temporary, ignored);
    logWriteError(path, error);
  }
  FT_LOG_TRACE(kClass, L"[writeFile()]: Method end.");
}

// A new file's folder must resolve inside root; a link to nothing is not
// followed, since the kernel would create its target wherever it is.
bool Utilities::writeTarget(const QString& name, const QString& path, Target& target) const {
  Where where = root_.resolve(path, target);
  if (where == Where::Missing) {
    const QFileInfo info(path);
    if (Platform::isLink(local(path)) || ConfinedRoot::isTemporary(info.fileName())) {
      FT_LOG_WARNING(kClass,
                     L"[writeFile(%s)]: '%s' is a link to nothing or a temporary name, "
                     L"not written.",
                     FT_W(name), FT_W(path));
      return false;
    }
    Target parent;
    where = root_.resolve(info.path(), parent);
    if (where == Where::Missing) {
      logWriteError(path, ENOENT);
      return false;
    }
    target.relative = joined(parent.relative, info.fileName());
  }
  return where != Where::Outside || warnOutside(L"writeFile", name, path);
}

// The new file has no name while it is written where the file system allows,
// so a writer killed meanwhile leaves nothing; it gets a fresh temporary name
// only for the rename. temporary: that name once taken, for the caller to
// remove on failure. A file that is replaced keeps its mode, and its owner
// where the process may give it.
bool Utilities::replaceWith(int folder, const std::string& leaf, const QByteArray& bytes,
                            std::string& temporary, int& error) const {
  const auto freshName = [] {
    return kTemporaryPrefix + std::to_string(QRandomGenerator::global()->generate64());
  };
  FileHandle file = Platform::openAnonymousIn(folder, error);
  const bool anonymous = file.isOpen();
  for (int attempt = 0; !file.isOpen() && attempt < 8; ++attempt) {
    const std::string candidate = freshName();
    file = Platform::openIn(folder, candidate, Platform::FileAccess::CreateNew, error);
    if (file.isOpen()) temporary = candidate;
    if (!file.isOpen() && error != EEXIST) break;
  }
  if (!file.isOpen()) return false;
  bool done = Platform::writeFully(file.get(), bytes.constData(), bytes.size(), error);
  Platform::Ownership ownership;
  int ignored = 0;
  if (done && Platform::ownershipIn(folder, leaf, ownership, ignored)) {
    // Set-id bits are not carried over: the content is a page's, not the owner's.
    ownership.mode &= 0777;
    done = Platform::applyOwnership(file.get(), ownership, error);
  }
  for (int attempt = 0; done && anonymous && temporary.empty() && attempt < 8; ++attempt) {
    const std::string candidate = freshName();
    if (Platform::linkAnonymousIn(file.get(), folder, candidate, error)) temporary = candidate;
    done = !temporary.empty() || error == EEXIST;
  }
  // Closed first: Windows renames no file that is open.
  file.close();
  return done && !temporary.empty() && Platform::renameIn(folder, temporary, leaf, error);
}

// The name itself is removed, as the kernel removes it: a link goes, never
// what it leads to.
bool Utilities::deleteResourceFile(const QString& name) {
  FT_LOG_TRACE(kClass, L"[deleteResourceFile(%s)]: Method start.", FT_W(name));
  const QString path = root_.pathOf(name);
  Target target;
  Where where = root_.resolve(path, target);
  if (where == Where::Inside && Platform::isLink(local(path))) {
    const QFileInfo info(path);
    Target parent;
    where = root_.resolve(info.path(), parent);
    target.relative = joined(parent.relative, info.fileName());
  }
  if (where == Where::Outside) return warnOutside(L"deleteResourceFile", name, path);
  if (where == Where::Missing) {
    FT_LOG_WARNING(kClass, L"[deleteResourceFile()]: File %s does not exist.", FT_W(path));
    return false;
  }
  int error = 0;
  std::string leaf;
  const FileHandle parent = root_.openFolderOf(target, leaf, error);
  if (!parent.isOpen() || !Platform::removeIn(parent.get(), leaf, error)) {
    FT_LOG_WARNING(kClass, L"[deleteResourceFile()]: File %s cannot be delete. Reason: %s",
                   FT_W(path), reason(error).c_str());
    return false;
  }
  FT_LOG_TRACE(kClass, L"[deleteResourceFile()]: Method end with success.");
  return true;
}
