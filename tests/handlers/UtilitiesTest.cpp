// File access below a data root: scrambled fall-back, XML through the DOM,
// decoded writes, deletes, and confinement of names to the root.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "BDomData.h"
#include "StandinLog.h"
#include "handlers/Utilities.h"

namespace {

QByteArray scrambled(QByteArray bytes) {
  for (char& b : bytes) b = static_cast<char>(~static_cast<unsigned char>(b));
  return bytes;
}

class UtilitiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp.isValid());
    root = temp.path() + "/root/";
    ASSERT_TRUE(QDir().mkpath(root + "sub"));
    StandinLog::setStderr(false);
    StandinLog::setLevel(MakoraLog_Static::Trace);
    StandinLog::startCapture();
  }
  void TearDown() override {
    StandinLog::stopCapture();
    StandinLog::takeCaptured();
  }

  void put(const QString& relative, const QByteArray& bytes) {
    QFile file(temp.path() + "/" + relative);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << relative.toStdString();
    file.write(bytes);
  }
  QByteArray get(const QString& relative) {
    QFile file(temp.path() + "/" + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
  }
  // Captured lines at the level whose message contains the needle.
  size_t logged(MakoraLog_Static::Level level, const std::string& needle) {
    for (auto& r : StandinLog::takeCaptured()) records.push_back(r);
    size_t n = 0;
    for (const auto& r : records)
      if (r.level == level && r.className == "Utilities" &&
          r.message.find(needle) != std::string::npos)
        ++n;
    return n;
  }

  QTemporaryDir temp;
  QString root;
  std::vector<LogRecord> records;
};

TEST_F(UtilitiesTest, ReadsPlainThenScrambledVariant) {
  put("root/both.js", "plain");
  put("root/both.jsc", scrambled("hidden"));
  put("root/only.jsc", QByteArray("\x9E\x9D\x9C", 3));
  put("root/report.doc", scrambled("complemented too"));
  put("root/empty.txt", "");
  put("root/Upper.JSC", scrambled("case of extension ignored"));
  struct Row {
    const char* name;
    QByteArray expected;
  };
  const Row rows[] = {
      {"both.js", "plain"},
      {"only.js", "abc"},
      {"only.jsc", "abc"},
      {"report.doc", "complemented too"},
      {"Upper.JSC", "case of extension ignored"},
      {"empty.txt", ""},
      {"sub", ""},  // a folder exists but cannot be read
      {"", ""},     // the root itself
      {"none.js", ""},
  };
  Utilities utilities(root);
  for (const auto& row : rows)
    EXPECT_EQ(utilities.readResourceAsBytes(row.name), row.expected) << row.name;

  const std::string lastAttempt = "[readResourceAsBytes(none.js)]: not found (last attempt '" +
                                  (root + "none.jsc").toStdString() + "')";
  EXPECT_EQ(logged(MakoraLog_Static::Error, lastAttempt), 1u);
  EXPECT_EQ(
      logged(MakoraLog_Static::Error, "[readFile]:Error reading " + (root + "sub").toStdString()),
      1u);
}

TEST_F(UtilitiesTest, ExistenceDoesNotTryTheScrambledVariant) {
  put("root/a.jsc", scrambled("x"));
  Utilities utilities(root);
  EXPECT_TRUE(utilities.fileExists("a.jsc"));
  EXPECT_FALSE(utilities.fileExists("a.js"));
  EXPECT_TRUE(utilities.fileExists("sub"));
}

TEST_F(UtilitiesTest, TextIsUtf8AndXmlGoesThroughTheDom) {
  const QByteArray document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- note -->\n<list><item "
      "n=\"1\">\xC3\xA9t\xC3\xA9</item></list>\n";
  put("root/page.txt", "caf\xC3\xA9");
  put("root/Data.XML", document);
  put("root/broken.xml", "<list><item></list>");
  put("root/packed.xmlc", scrambled(document));
  put("root/hidden.xmlc", scrambled(document));

  BDomData reference;
  ASSERT_TRUE(reference.load((root + "Data.XML").toUtf8().constData()));
  ACE_WString wide;
  ASSERT_TRUE(reference.getXML(wide));
  const QString domText =
      QString::fromWCharArray(wide.c_str(), static_cast<qsizetype>(wide.length()));
  ASSERT_TRUE(domText.contains(QString::fromUtf8("\xC3\xA9t\xC3\xA9")));

  Utilities utilities(root);
  EXPECT_EQ(utilities.readResourceAsText("page.txt"), QString::fromUtf8("caf\xC3\xA9"));
  EXPECT_EQ(utilities.readResourceAsText("Data.XML"), domText);
  EXPECT_EQ(utilities.readResourceAsText("broken.xml"), QString());
  EXPECT_EQ(logged(MakoraLog_Static::Error, "[readXMLFile]:Error reading XML: "), 1u);
  // A .xmlc name is not an XML name: the file's own text comes back.
  EXPECT_EQ(utilities.readResourceAsText("packed.xmlc"), QString::fromUtf8(document));
  // An .xml name found only scrambled is unscrambled before the DOM reads it.
  EXPECT_EQ(utilities.readXMLResource("hidden.xml"), domText);
  EXPECT_EQ(utilities.readResourceAsText("missing.txt"), QString());
  EXPECT_EQ(logged(MakoraLog_Static::Error, "[readResourceAsText(missing.txt)]: failed."), 1u);
}

TEST_F(UtilitiesTest, WriteDecodesPercentEscapesAndReplacesWhole) {
  struct Row {
    const char* content;
    QByteArray expected;
  };
  const Row rows[] = {
      {"x%3Cy%3E+z", "x<y>+z"},
      {"%C3%A9t%C3%A9", "\xC3\xA9t\xC3\xA9"},
      {"a%3Db%26c%3F%22", "a=b&c?\""},
      {"line%0D%0Anext", "line\r\nnext"},
      {"%2e%2e", ".."},
  };
  Utilities utilities(root);
  put("root/out.txt", "an older and much longer content");
  for (const auto& row : rows) {
    utilities.writeFile("out.txt", row.content);
    EXPECT_EQ(get("root/out.txt"), row.expected) << row.content;
  }
  utilities.writeFile("fresh.txt", "f");
  EXPECT_EQ(QFileInfo(root + "fresh.txt").permissions() & QFileDevice::ReadOther,
            QFileDevice::ReadOther);
  QFile::remove(root + "fresh.txt");
  // Nothing but the target is left in the folder.
  EXPECT_EQ(QDir(root).entryList(QDir::Files), QStringList{"out.txt"});

  // A folder in the way is not replaced.
  utilities.writeFile("sub", "x");
  EXPECT_TRUE(QFileInfo(root + "sub").isDir());

  // A missing folder is not created: the write fails and the file stays absent.
  utilities.writeFile("nofolder/new.txt", "x");
  EXPECT_FALSE(QFileInfo::exists(root + "nofolder"));
  EXPECT_EQ(logged(MakoraLog_Static::Error,
                   "[readFile]:Error writing " + (root + "nofolder/new.txt").toStdString()),
            1u);
}

TEST_F(UtilitiesTest, DeleteReportsWhatHappened) {
  put("root/gone.txt", "x");
  Utilities utilities(root);
  EXPECT_TRUE(utilities.deleteResourceFile("gone.txt"));
  EXPECT_FALSE(QFileInfo::exists(root + "gone.txt"));
  EXPECT_FALSE(utilities.deleteResourceFile("gone.txt"));
  EXPECT_EQ(
      logged(MakoraLog_Static::Warning, "[deleteResourceFile()]: File " +
                                            (root + "gone.txt").toStdString() + " does not exist."),
      1u);
  EXPECT_FALSE(utilities.deleteResourceFile("sub"));
  EXPECT_TRUE(QFileInfo::exists(root + "sub"));
  EXPECT_EQ(logged(MakoraLog_Static::Warning, "cannot be delete."), 1u);
}

// Names that leave the root are missing files, for every operation, and the
// file outside stays untouched; names that stay inside work as written.
TEST_F(UtilitiesTest, NamesAreConfinedToTheRoot) {
  put("outside.txt", "secret");
  ASSERT_TRUE(QDir().mkpath(temp.path() + "/rootx"));
  put("rootx/outside.txt", "secret");
  const char* escaping[] = {
      "../outside.txt",
      "sub/../../outside.txt",
      "/../outside.txt",
      "./../outside.txt",
      "../rootx/outside.txt",  // shares the root's name as a prefix
      "..",
  };
  Utilities utilities(root);
  for (const char* name : escaping) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(utilities.fileExists(name));
    EXPECT_EQ(utilities.readResourceAsBytes(name), QByteArray());
    EXPECT_EQ(utilities.readResourceAsText(name), QString());
    EXPECT_EQ(utilities.readXMLResource(name), QString());
    utilities.writeFile(name, "overwritten");
    EXPECT_FALSE(utilities.deleteResourceFile(name));
    EXPECT_EQ(logged(MakoraLog_Static::Warning, "leaves the data root"), 6u);
    records.clear();
  }
  EXPECT_EQ(get("outside.txt"), "secret");
  EXPECT_EQ(get("rootx/outside.txt"), "secret");
  EXPECT_FALSE(QFileInfo::exists(temp.path() + "/outside.txtc"));

  // An absolute name is joined to the root, so it names a file below it.
  put("root/sub/inside.txt", "inside");
  ASSERT_TRUE(QDir().mkpath(root + "%2e%2e"));
  put("root/%2e%2e/literal.txt", "literal");
  struct Row {
    const char* name;
    QByteArray expected;
  };
  const Row inside[] = {
      {"sub/inside.txt", "inside"},
      {"//sub//inside.txt", "inside"},
      {"/sub/inside.txt", "inside"},
      {"./sub/../sub/inside.txt", "inside"},
      {"%2e%2e/literal.txt", "literal"},
      {"/etc/hostname", ""},  // root//etc/hostname does not exist
  };
  for (const auto& row : inside)
    EXPECT_EQ(utilities.readResourceAsBytes(row.name), row.expected) << row.name;
  EXPECT_EQ(logged(MakoraLog_Static::Warning, "leaves the data root"), 0u);

  utilities.writeFile("sub/../written.txt", "w");
  EXPECT_EQ(get("root/written.txt"), "w");
}

TEST_F(UtilitiesTest, EmptyRootConfinesEverythingOut) {
  Utilities utilities("");
  EXPECT_FALSE(utilities.fileExists("."));
  EXPECT_EQ(utilities.readResourceAsBytes(QDir::current().absolutePath() + "/CMakeCache.txt"),
            QByteArray());
}

}  // namespace
