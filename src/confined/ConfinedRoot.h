#pragma once

#include <QString>
#include <string>

#include "platform/FileHandle.h"

// The data root and what lies below it: the one place that decides whether a
// path may be touched, and the only way files below it are opened. A path that
// leaves the root as written, or once the kernel has followed its links, is
// outside, and nothing outside is opened. Opens walk down from the resolved
// root through no link, so a link put in place after a path was resolved fails
// the open instead of being followed. One object per request, on one thread.
class ConfinedRoot {
 public:
  enum class Where { Inside, Missing, Outside };
  // A file or folder below the resolved root.
  struct Target {
    QString relative;  // "" for the root itself
    QString shown;     // the path as it was asked for, for the log
  };

  // Leaf names of the temporary files of writes start with this; no path
  // resolves to such a file.
  static constexpr char kTemporaryPrefix[] = ".ft-write-";

  explicit ConfinedRoot(const QString& root);

  // root and name joined as they stand.
  QString pathOf(const QString& name) const { return root_ + name; }
  // Where path ends, judged on its text first so that the file system never
  // sees a path that leaves root as written: Missing when nothing is there or
  // it is a write's temporary file.
  Where resolve(const QString& path, Target& target) const;
  // The fast way for a page's plain files: a name whose components the kernel
  // takes as they stand, opened below root with no resolution, with its size.
  // Closed when the name is not such a name or no regular file is there; the
  // name then goes the long way, resolve and openForReading.
  FileHandle openPlain(const QString& name, Target& target, long long& size) const;
  FileHandle openForReading(const Target& target, int& error) const;
  // The folder that holds target, and target's name in it, for replacing or
  // removing it.
  FileHandle openFolderOf(const Target& target, std::string& leaf, int& error) const;
  static bool isTemporary(const QString& leaf);

 private:
  bool isInsideText(const QString& path) const;
  // root as the kernel resolves it, found when first needed; empty when it
  // does not exist.
  const QString& realRoot() const;

  QString root_;
  // root made absolute with "." and ".." resolved and no trailing '/';
  // empty when root is empty, which confines every path out.
  QString cleanRoot_;
  mutable QString realRoot_;
  mutable bool realRootResolved_ = false;
};
