#include "confined/ConfinedRoot.h"

#include <QDir>

#include "platform/Platform.h"

namespace {

std::string local(const QString& text) {
  return text.toStdString();
}

// relative split at its last '/'; the root itself is "." in "".
void split(const QString& relative, QString& folder, QString& leaf) {
  const qsizetype slash = relative.lastIndexOf(QLatin1Char('/'));
  folder = slash < 0 ? QString() : relative.left(slash);
  leaf = relative.isEmpty() ? QStringLiteral(".") : relative.mid(slash + 1);
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
  return !ConfinedRoot::isTemporary(name.section(QLatin1Char('/'), -1));
}

}  // namespace

ConfinedRoot::ConfinedRoot(const QString& root) : root_(root) {
  if (!root_.isEmpty()) cleanRoot_ = absoluteClean(root_);
}

bool ConfinedRoot::isTemporary(const QString& leaf) {
  return leaf.startsWith(QLatin1String(kTemporaryPrefix));
}

const QString& ConfinedRoot::realRoot() const {
  if (!realRootResolved_ && !cleanRoot_.isEmpty()) {
    std::string real;
    int error = 0;
    if (Platform::realPath(local(cleanRoot_), real, error))
      realRoot_ = QString::fromStdString(real);
  }
  realRootResolved_ = true;
  return realRoot_;
}

bool ConfinedRoot::isInsideText(const QString& path) const {
  if (cleanRoot_.isEmpty()) return false;
  const QString candidate = absoluteClean(path);
  if (candidate == cleanRoot_) return true;
  const QString prefix =
      cleanRoot_.endsWith(QLatin1Char('/')) ? cleanRoot_ : cleanRoot_ + QLatin1Char('/');
  return candidate.startsWith(prefix);
}

// Links are judged by where they end, as the kernel would open them, so a link
// inside root may lead anywhere inside it and nowhere else.
ConfinedRoot::Where ConfinedRoot::resolve(const QString& path, Target& target) const {
  target.shown = path;
  target.relative.clear();
  if (!isInsideText(path)) return Where::Outside;
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

// A regular file reached from root through no link is where resolving it
// would end, so it needs no resolution.
FileHandle ConfinedRoot::openPlain(const QString& name, Target& target, long long& size) const {
  const QString path = pathOf(name);
  if (!isPlainName(name) || !isInsideText(path)) return {};
  int error = 0;
  FileHandle file = Platform::openBeneath(local(cleanRoot_), local(name), error);
  if (!file.isOpen()) return {};
  size = Platform::regularFileSize(file.get(), error);
  if (size < 0) return {};
  target.relative = name;
  target.shown = path;
  return file;
}

FileHandle ConfinedRoot::openForReading(const Target& target, int& error) const {
  return Platform::openBeneath(local(realRoot()), local(target.relative), error);
}

FileHandle ConfinedRoot::openFolderOf(const Target& target, std::string& leaf, int& error) const {
  QString folder, name;
  split(target.relative, folder, name);
  leaf = local(name);
  return Platform::openFolderBeneath(local(realRoot()), local(folder), error);
}
