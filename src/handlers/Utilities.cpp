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

// Closes a descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { Platform::closeFile(fd_); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string local(const QString& text) {
  return text.toStdString();
}

std::wstring reason(int error) {
  return QString::fromStdString(Platform::errorText(error)).toStdWString();
}

// relative split at its last '/'; the root itself is "." in "".
void split(const QString& relative, QString& folder, QString& leaf) {
  const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
  folder = slash < 0 ? QString() : relative.left(slash);
  leaf = relative.isEmpty() ? QStringLiteral(".") : relative.mid(slash + 1);
}

QString joined(const QString& folder, const QString& leaf) {
  return folder.isEmpty() ? leaf : folder + QLatin1Char('/') + leaf;
}

// Asks for the working folder only when the path needs it: that is a system
// call, and the configured root is absolute.
QString absoluteClean(const QString& path) {
  return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                    : QDir::current().absoluteFilePath(path));
}

// Components that the kernel takes as they stand, so that a walk below root
// reaches what resolving root + name would: no ".", "..", no temporary, and
// nothing another system reads as a separator or a drive.
bool isPlainName(const QString& name) {
  if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
    return false;
  for (const QStringView part : QStringView(name).split(u'/')) {
    if (part == u"." || part == u"..") return false;
  }
  return !name.section(QLatin1Char('/'), -1).startsWith(QLatin1String(Utilities::kTemporaryPrefix));
}

}  // namespace

Utilities::Utilities(const QString& root) : root_(root) {
  if (!root_.isEmpty()) cleanRoot_ = absoluteClean(root_);
  FT_LOG_TRACE(kClass, L"[Utilities()]: Constructor called.");
}

const QString& Utilities::realRoot() const {
  if (!realRootResolved_ && !cleanRoot_.isEmpty()) {
    std::string real;
    int error = 0;
    if (Platform::realPath(local(cleanRoot_), real, error))
      realRoot_ = QString::fromStdString(real);
  }
  realRootResolved_ = true;
  return realRoot_;
}

Utilities::~Utilities() {
  FT_LOG_TRACE(kClass, L"[Utilities()]: Destructor called.");
}

// The text is judged first, so the file system never sees a name that leaves
// root as written; what it is given is still root + name unchanged.
bool Utilities::isInsideText(const QString& path) const {
  if (cleanRoot_.isEmpty()) return false;
  const QString candidate = absoluteClean(path);
  if (candidate == cleanRoot_) return true;
  const QString prefix =
      cleanRoot_.endsWith(QLatin1Char('/')) ? cleanRoot_ : cleanRoot_ + QLatin1Char('/');
  return candidate.startsWith(prefix);
}

bool Utilities::warnOutside(const wchar_t* operation, const QString& name,
                            const QString& path) const {
  FT_LOG_WARNING(kClass, L"[%s(%s)]: '%s' leaves the data root, treated as missing.", operation,
                 FT_W(name), FT_W(path));
  return false;
}

bool Utilities::joinInside(const wchar_t* operation, const QString& name, QString& path) const {
  path = root_ + name;
  return isInsideText(path) || warnOutside(operation, name, path);
}

bool Utilities::isTemporary(const QString& leaf) const {
  return leaf.startsWith(QLatin1String(kTemporaryPrefix));
}

// Links are judged by where they end, as the kernel would open them, so a link
// inside root may lead anywhere inside it and nowhere else.
Utilities::Where Utilities::resolveExisting(const QString& path, Target& target) const {
  target.shown = path;
  std::string real;
  int error = 0;
  const QString& resolvedRoot = realRoot();
  if (resolvedRoot.isEmpty() || !Platform::realPath(local(path), real, error))
    return Where::Missing;
  std::string relative;
  if (!Platform::isWithin(local(resolvedRoot), real, relative)) return Where::Outside;
  target.relative = QString::fromStdString(relative);
  if (target.relative.isEmpty()) return Where::Inside;
  QString folder, leaf;
  split(target.relative, folder, leaf);
  return isTemporary(leaf) ? Where::Missing : Where::Inside;
}

bool Utilities::locate(const wchar_t* operation, const wchar_t* reader, const QString& name,
                       Target& target) const {
  QString path;
  if (!joinInside(operation, name, path)) return false;
  Where where = resolveExisting(path, target);
  if (where == Where::Missing) where = resolveExisting(path + QLatin1Char('c'), target);
  if (where == Where::Outside) return warnOutside(operation, name, target.shown);
  if (where == Where::Inside) return true;
  FT_LOG_ERROR(kClass, L"[%s(%s)]: not found (last attempt '%s')", reader, FT_W(name),
               FT_W(target.shown));
  return false;
}

// Opened by walking down from the resolved root, so a link put in place after
// the resolution fails the open instead of being followed.
int Utilities::openForReading(const Target& target, int& error) const {
  QString folder, leaf;
  split(target.relative, folder, leaf);
  const Descriptor parent(Platform::openFolderBeneath(local(realRoot()), local(folder), error));
  if (parent.get() < 0) return -1;
  return Platform::openIn(parent.get(), local(leaf), Platform::FileAccess::Read, error);
}

bool Utilities::readWhole(const Target& target, QByteArray& bytes) const {
  int error = 0;
  const Descriptor file(openForReading(target, error));
  long long size = file.get() < 0 ? -1 : Platform::regularFileSize(file.get(), error);
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
  QString path;
  if (!joinInside(L"fileExists", name, path)) return false;
  Target target;
  const Where where = resolveExisting(path, target);
  if (where == Where::Outside) return warnOutside(L"fileExists", name, path);
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
  int descriptor = openPlain(name, target);
  if (descriptor < 0) {
    if (!locate(L"readResourceAsBytes", L"readResourceAsBytes", name, target)) return false;
    descriptor = openForReading(target, error);
  }
  const long long size = descriptor < 0 ? -1 : Platform::regularFileSize(descriptor, error);
  if (size < 0) {
    if (descriptor >= 0) Platform::closeFile(descriptor);
    FT_LOG_ERROR(kClass, L"[readFile]:Error reading %s: %s", FT_W(target.shown),
                 reason(error).c_str());
    return false;
  }
  const bool scrambled = isEncrypted(target.shown);
  if (!scrambled) FT_LOG_INFO(kClass, L"[readFile(%s)]: is not encrypted.", FT_W(target.shown));
  file = ReplyFile(descriptor, size, scrambled, text);
  FT_LOG_TRACE(kClass, L"[readFile()]: Method end.");
  return true;
}

// A regular file reached from root through no link is where resolving it
// would end, so a page's plain files skip the resolution; -1 sends the name
// the long way, which also does the reporting.
int Utilities::openPlain(const QString& name, Target& target) const {
  QString path;
  if (!isPlainName(name) || !isInsideText(path = root_ + name)) return -1;
  QString folder, leaf;
  split(name, folder, leaf);
  int error = 0;
  const Descriptor parent(Platform::openFolderBeneath(local(cleanRoot_), local(folder), error));
  if (parent.get() < 0) return -1;
  const int descriptor =
      Platform::openIn(parent.get(), local(leaf), Platform::FileAccess::Read, error);
  if (descriptor < 0) return -1;
  if (Platform::regularFileSize(descriptor, error) < 0) {
    Platform::closeFile(descriptor);
    return -1;
  }
  target.relative = name;
  target.shown = path;
  return descriptor;
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
  const Descriptor file(openForReading(target, error));
  const long long size = file.get() < 0 ? 0 : Platform::regularFileSize(file.get(), error);
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
      loaded = file.get() >= 0 && dom.load(Platform::openedFilePath(file.get()).c_str());
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
  QString path;
  Target target;
  int error = 0;
  const auto fail = [&](int cause) {
    FT_LOG_ERROR(kClass, L"[readFile]:Error writing %s: %s", FT_W(path), reason(cause).c_str());
  };
  if (!joinInside(L"writeFile", name, path)) return;
  Where where = resolveExisting(path, target);
  if (where == Where::Missing) {
    // A new file: its folder must resolve inside root; a link to nothing is
    // not followed, since the kernel would create its target wherever it is.
    const QFileInfo info(path);
    if (Platform::isLink(local(path)) || isTemporary(info.fileName())) {
      FT_LOG_WARNING(kClass,
                     L"[writeFile(%s)]: '%s' is a link to nothing or a temporary name, "
                     L"not written.",
                     FT_W(name), FT_W(path));
      return;
    }
    Target parent;
    where = resolveExisting(info.path(), parent);
    if (where == Where::Missing) return fail(ENOENT);
    target.relative = joined(parent.relative, info.fileName());
  }
  if (where == Where::Outside) {
    warnOutside(L"writeFile", name, path);
    return;
  }
  QString folder, leaf;
  split(target.relative, folder, leaf);
  const Descriptor parent(Platform::openFolderBeneath(local(realRoot()), local(folder), error));
  if (parent.get() < 0) return fail(error);

  const QByteArray bytes = QString::fromUtf8(percentDecoded(content.toUtf8())).toUtf8();
  std::string temporary;
  if (!replaceWith(parent.get(), local(leaf), bytes, temporary, error)) {
    int ignored = 0;
    if (!temporary.empty()) Platform::removeIn(parent.get(), temporary, ignored);
    fail(error);
  }
  FT_LOG_TRACE(kClass, L"[writeFile()]: Method end.");
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
  int file = Platform::openAnonymousIn(folder, error);
  const bool anonymous = file >= 0;
  for (int attempt = 0; file < 0 && attempt < 8; ++attempt) {
    const std::string candidate = freshName();
    file = Platform::openIn(folder, candidate, Platform::FileAccess::CreateNew, error);
    if (file >= 0) temporary = candidate;
    if (file < 0 && error != EEXIST) break;
  }
  if (file < 0) return false;
  bool done = Platform::writeFully(file, bytes.constData(), bytes.size(), error);
  Platform::Ownership ownership;
  int ignored = 0;
  if (done && Platform::ownershipIn(folder, leaf, ownership, ignored)) {
    // Set-id bits are not carried over: the content is a page's, not the owner's.
    ownership.mode &= 0777;
    done = Platform::applyOwnership(file, ownership, error);
  }
  for (int attempt = 0; done && anonymous && temporary.empty() && attempt < 8; ++attempt) {
    const std::string candidate = freshName();
    if (Platform::linkAnonymousIn(file, folder, candidate, error)) temporary = candidate;
    done = !temporary.empty() || error == EEXIST;
  }
  // Closed first: Windows renames no file that is open.
  Platform::closeFile(file);
  return done && !temporary.empty() && Platform::renameIn(folder, temporary, leaf, error);
}

// The name itself is removed, as the kernel removes it: a link goes, never
// what it leads to.
bool Utilities::deleteResourceFile(const QString& name) {
  FT_LOG_TRACE(kClass, L"[deleteResourceFile(%s)]: Method start.", FT_W(name));
  QString path;
  if (!joinInside(L"deleteResourceFile", name, path)) return false;
  Target target;
  Where where = resolveExisting(path, target);
  if (where == Where::Inside && Platform::isLink(local(path))) {
    const QFileInfo info(path);
    Target parent;
    where = resolveExisting(info.path(), parent);
    target.relative = joined(parent.relative, info.fileName());
  }
  if (where == Where::Outside) return warnOutside(L"deleteResourceFile", name, path);
  if (where == Where::Missing) {
    FT_LOG_WARNING(kClass, L"[deleteResourceFile()]: File %s does not exist.", FT_W(path));
    return false;
  }
  QString folder, leaf;
  split(target.relative, folder, leaf);
  int error = 0;
  const Descriptor parent(Platform::openFolderBeneath(local(realRoot()), local(folder), error));
  if (parent.get() < 0 || !Platform::removeIn(parent.get(), local(leaf), error)) {
    FT_LOG_WARNING(kClass, L"[deleteResourceFile()]: File %s cannot be delete. Reason: %s",
                   FT_W(path), reason(error).c_str());
    return false;
  }
  FT_LOG_TRACE(kClass, L"[deleteResourceFile()]: Method end with success.");
  return true;
}
