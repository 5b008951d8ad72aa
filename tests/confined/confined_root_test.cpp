// Where a path ends below the data root, and which names the fast open takes.
// Guards against: a text check skipped before the file system is asked, a link
// followed out of the root, ".." taken as written rather than from where a link
// led, a sibling folder whose name starts with the root's taken for inside, a
// write's temporary file reachable by name, the fast open taking ".", "..", a
// link or a folder, or refusing a name written with a leading '/' (as the
// configured folders are).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "confined/ConfinedRoot.h"

namespace {

using Where = ConfinedRoot::Where;

class ConfinedRootTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir().mkpath(root + "sub") && QDir().mkpath(root + "a/b"));
    ASSERT_TRUE(QDir().mkpath(temp.path() + "/rootout"));
    put("root/sub/page.html", "page");
    put("root/.ft-write-1", "half written");
    put("outside.txt", "secret");
    put("rootout/x.txt", "secret");
    link("../outside.txt", "root/out");
    link("sub/page.html", "root/in");
    link("nowhere", "root/dangling");
    link("../../sub", "root/a/b/shortcut");  // inside, but ".." after it climbs out
    link("../rootout", "root/sibling");      // a folder whose name starts with the root's
    ASSERT_EQ(::symlink((root + "sub/page.html").toUtf8().constData(),
                        (root + "absolute").toUtf8().constData()),
              0);
  }
  void put(const QString& name, const QByteArray& bytes) {
    QFile file(temp.path() + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
  }
  void link(const char* to, const QString& name) {
    ASSERT_EQ(::symlink(to, (temp.path() + "/" + name).toUtf8().constData()), 0);
  }
  QTemporaryDir temp;
  QString root = temp.path() + "/root/";
};

TEST_F(ConfinedRootTest, ResolvesInsideMissingOrOutside) {
  const ConfinedRoot confined(root);
  const struct {
    const char* name;
    Where where;
    const char* relative;
  } rows[] = {
      {"sub/page.html", Where::Inside, "sub/page.html"},
      {"", Where::Inside, ""},
      {"in", Where::Inside, "sub/page.html"},  // a link that stays inside
      {"absolute", Where::Inside, "sub/page.html"},
      {"a/b/shortcut/page.html", Where::Inside, "sub/page.html"},
      {"sub/none.html", Where::Missing, ""},
      {"dangling", Where::Missing, ""},
      {".ft-write-1", Where::Missing, ""},  // a write in progress
      {"out", Where::Outside, ""},          // a link that leaves
      {"../outside.txt", Where::Outside, ""},
      {"a/b/shortcut/../../outside.txt", Where::Outside, ""},  // the kernel climbs from sub
      {"sibling/x.txt", Where::Outside, ""},
  };
  for (const auto& row : rows) {
    ConfinedRoot::Target target;
    EXPECT_EQ(confined.resolve(confined.pathOf(row.name), target), row.where) << row.name;
    EXPECT_EQ(row.where == Where::Inside ? target.relative : QString(), row.relative) << row.name;
    EXPECT_EQ(target.shown, root + row.name) << row.name;
  }
  ConfinedRoot::Target target;
  EXPECT_EQ(ConfinedRoot("").resolve("sub/page.html", target), Where::Outside);
}

TEST_F(ConfinedRootTest, TheFastOpenTakesOnlyPlainRegularFiles) {
  const ConfinedRoot confined(root);
  const struct {
    const char* name;
    long long size;  // -1: not taken, the name goes the long way
  } rows[] = {
      {"sub/page.html", 4},
      {"/sub/page.html", 4},
      {"in", -1},
      {"sub/./page.html", -1},
      {"sub", -1},
      {".ft-write-1", -1},
      {"sub\\page.html", -1},
      {"../outside.txt", -1},
  };
  for (const auto& row : rows) {
    ConfinedRoot::Target target;
    long long size = -1;
    const FileHandle file = confined.openPlain(row.name, target, size);
    EXPECT_EQ(file.isOpen() ? size : -1, row.size) << row.name;
  }
}

}  // namespace
