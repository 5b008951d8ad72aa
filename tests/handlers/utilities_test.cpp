// File access below a data root: scrambled fall-back, XML through the DOM,
// decoded writes, deletes, and the temporary files of writes.
// Guards against: the scrambled variant tried first or not at all, XML read
// past its cap (the shared budget is ServerLoad's), a write decoded wrongly
// or leaving its temporary, a folder deleted, a command that follows a link
// or ".." out of the root, a link's target deleted instead of the link, a
// replaced file's mode lost, a special file hanging a read.
#include "handlers/Utilities.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <string>
#include <vector>

#include "StandinLog.h"
#include "http/ReplyFile.h"
#include "platform/Limits.h"

namespace {

QByteArray scrambled(QByteArray bytes) {
  for (char& b : bytes) b = static_cast<char>(~static_cast<unsigned char>(b));
  return bytes;
}

class UtilitiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rootMade);
    StandinLog::setStderr(false);
    StandinLog::setLevel(MakoraLog_Static::Trace);
    StandinLog::startCapture();
  }
  void TearDown() override { StandinLog::stopCapture(); }

  void put(const QString& relative, const QByteArray& bytes) {
    QFile file(temp.path() + "/" + relative);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << relative.toStdString();
    file.write(bytes);
  }
  QByteArray get(const QString& relative) {
    QFile file(temp.path() + "/" + relative);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<absent>";
  }
  // What the reply of a GUI file would send (openResource), unscrambled.
  QByteArray opened(const QString& name) {
    ReplyFile file;
    if (!utilities.openResource(name, file)) return QByteArray();
    QByteArray bytes(static_cast<qsizetype>(file.size()), '\0');
    if (::pread(file.descriptor(), bytes.data(), size_t(bytes.size()), 0) != bytes.size())
      return "<short>";
    return file.scrambled() ? scrambled(bytes) : bytes;
  }
  // Captured lines at the level whose message contains the needle.
  size_t logged(MakoraLog_Static::Level level, const std::string& needle) {
    for (auto& r : StandinLog::takeCaptured()) records.push_back(r);
    size_t n = 0;
    for (const auto& r : records)
      n += r.level == level && r.className == "Utilities" &&
           r.message.find(needle) != std::string::npos;
    return n;
  }

  QTemporaryDir temp;
  QString root = temp.path() + "/root/";
  // The root must exist before the object resolves it.
  bool rootMade = QDir().mkpath(root + "sub");
  Utilities utilities{root};
  std::vector<LogRecord> records;
};

TEST_F(UtilitiesTest, ReadsPlainThenScrambledVariant) {
  put("root/both.js", "plain");
  put("root/both.jsc", scrambled("hidden"));
  put("root/only.jsc", QByteArray("\x9E\x9D\x9C", 3));
  put("root/Upper.JSC", scrambled("case of extension ignored"));
  const std::pair<const char*, QByteArray> rows[] = {
      {"both.js", "plain"},  {"only.js", "abc"}, {"Upper.JSC", "case of extension ignored"},
      {"/both.js", "plain"},               // an absolute name is joined to the root
      {"/etc/hostname", ""}, {"sub", ""},  // a folder exists but cannot be read
      {"none.js", ""},
  };
  for (const auto& [name, expected] : rows) {
    EXPECT_EQ(utilities.readResourceAsBytes(name), expected) << name;
    EXPECT_EQ(opened(name), expected) << name;
  }
  EXPECT_EQ(
      logged(MakoraLog_Static::Error, "[readResourceAsBytes(none.js)]: not found (last attempt '" +
                                          (root + "none.jsc").toStdString() + "')"),
      2u);
  EXPECT_EQ(
      logged(MakoraLog_Static::Error, "[readFile]:Error reading " + (root + "sub").toStdString()),
      2u);
  // Existence does not try the scrambled variant.
  EXPECT_TRUE(utilities.fileExists("only.jsc"));
  EXPECT_FALSE(utilities.fileExists("only.js"));
  EXPECT_TRUE(utilities.fileExists("sub"));
}

TEST_F(UtilitiesTest, XmlGoesThroughTheDomOnlyForXmlNames) {
  const QByteArray document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- note -->\n<list><item "
      "n=\"1\">\xC3\xA9t\xC3\xA9</item></list>\n";
  // The DOM writes the root element only, as parsed.
  const QString domText = QString::fromUtf8("<list><item n=\"1\">\xC3\xA9t\xC3\xA9</item></list>");
  put("root/Data.XML", document);
  put("root/packed.xmlc", scrambled(document));
  EXPECT_EQ(utilities.readResourceAsText("Data.XML"), domText);
  // A .xmlc name is not an XML name: the file's own text comes back.
  EXPECT_EQ(utilities.readResourceAsText("packed.xmlc"), QString::fromUtf8(document));
  // An .xml name found only scrambled is unscrambled before the DOM reads it.
  EXPECT_EQ(utilities.readXMLResource("packed.xml"), domText);
  EXPECT_EQ(utilities.readResourceAsText("missing.txt"), QString());
  EXPECT_EQ(logged(MakoraLog_Static::Error, "[readResourceAsText(missing.txt)]: failed."), 1u);
}

// Streaming a text opens what reading it whole would return, never a pipe.
TEST_F(UtilitiesTest, TextOpenedToStreamAsReadingItWhole) {
  put("root/p.txtc", scrambled("p"));
  put("root/empty.txt", "");
  ASSERT_EQ(mkfifo((root + "pipe").toUtf8().constData(), 0600), 0);
  const std::pair<const char*, bool> rows[] = {
      {"p.txt", true}, {"empty.txt", false}, {"sub", false}, {"pipe", false}, {"none.txt", false}};
  for (const auto& [name, opens] : rows) {
    ReplyFile file;
    EXPECT_EQ(utilities.openTextResource(name, file), opens) << name;
    EXPECT_EQ(!utilities.readResourceAsText(name).isEmpty(), opens) << name;
    EXPECT_EQ(file.isOpen() && file.text(), opens) << name;
  }
}

// At the cap a document goes through the DOM; one byte more is refused unread.
TEST_F(UtilitiesTest, XmlThroughTheDomIsCapped) {
  const qsizetype cap = limits::kMaxXmlFileBytes;
  put("root/at.xml", "<a>" + QByteArray(cap - 7, 'x') + "</a>");
  put("root/over.xml", "<a>" + QByteArray(cap - 6, 'x') + "</a>");
  EXPECT_GT(utilities.readResourceAsText("at.xml").size(), cap / 2);
  EXPECT_EQ(utilities.readResourceAsText("over.xml"), QString());
  put("root/packed.xmlc", scrambled("<a>" + QByteArray(cap - 6, 'x') + "</a>"));
  EXPECT_EQ(utilities.readResourceAsText("packed.xml"), QString());
}

TEST_F(UtilitiesTest, WriteDecodesAndReplacesWholeDeleteTakesFilesOnly) {
  const std::pair<const char*, QByteArray> rows[] = {
      {"x%3Cy%3E+z", "x<y>+z"},
      // A "%" without two hexadecimal digits is kept as written.
      {"100%zz%4", "100%zz%4"},
  };
  for (const auto& [content, expected] : rows) {
    utilities.writeFile("out.txt", content);
    EXPECT_EQ(get("root/out.txt"), expected) << content;
  }
  // Nothing but the target is left in the folder.
  EXPECT_EQ(QDir(root).entryList(QDir::Files), QStringList{"out.txt"});
  // A folder in the way is neither replaced nor deleted.
  utilities.writeFile("sub", "x");
  EXPECT_FALSE(utilities.deleteResourceFile("sub"));
  EXPECT_TRUE(QFileInfo(root + "sub").isDir());
  EXPECT_EQ(logged(MakoraLog_Static::Warning, "cannot be delete."), 1u);

  EXPECT_TRUE(utilities.deleteResourceFile("out.txt"));
  EXPECT_FALSE(QFileInfo::exists(root + "out.txt"));
  EXPECT_FALSE(utilities.deleteResourceFile("out.txt"));
  EXPECT_EQ(
      logged(MakoraLog_Static::Warning, "[deleteResourceFile()]: File " +
                                            (root + "out.txt").toStdString() + " does not exist."),
      1u);
}

namespace fs = std::filesystem;

// Every command asks where a name leads (ConfinedRoot's table): inside the root
// names and links work for it, anywhere else (or nowhere) they are missing files.
TEST_F(UtilitiesTest, NamesAndLinksAreConfinedByWhereTheyLead) {
  const std::string top = temp.path().toStdString();
  put("outside.txt", "secret");
  put("root/sub/inside.txt", "inside");
  const std::pair<const char*, std::string> links[] = {
      {"in_link", "sub/inside.txt"},
      {"in_dir", "sub"},
      {"out_link", "../outside.txt"},
      {"dangling_out", "../planted.txt"},
  };
  for (const auto& [link, target] : links) fs::create_symlink(target, top + "/root/" + link);

  const struct {
    const char* name;
    bool inside;         // where the kernel takes the name
    bool deletesTarget;  // false: the name is a link, and only the link goes
  } rows[] = {
      {"in_link", true, false},       {"in_dir/inside.txt", true, true}, {"out_link", false, false},
      {"dangling_out", false, false}, {"../outside.txt", false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    put("root/sub/inside.txt", "inside");
    EXPECT_EQ(utilities.fileExists(row.name), row.inside);
    EXPECT_EQ(utilities.readResourceAsBytes(row.name), row.inside ? "inside" : "");
    EXPECT_EQ(opened(row.name), row.inside ? "inside" : "");
    utilities.writeFile(row.name, "written");
    EXPECT_EQ(get("root/sub/inside.txt"), row.inside ? "written" : "inside");
    EXPECT_EQ(utilities.deleteResourceFile(row.name), row.inside);
    EXPECT_EQ(QFileInfo::exists(root + "sub/inside.txt"), !row.deletesTarget);
    EXPECT_EQ(get("outside.txt"), "secret");
    EXPECT_FALSE(fs::exists(top + "/planted.txt") || fs::exists(top + "/outside.txtc"));
  }
  EXPECT_FALSE(fs::is_symlink(top + "/root/in_link"));
  EXPECT_TRUE(fs::is_symlink(top + "/root/out_link"));
}

// Names of write temporaries are invisible to every command, and a write
// takes none that exists: an author's own file of such a name, however old,
// is neither read nor replaced nor removed.
TEST_F(UtilitiesTest, TemporaryNamesAreHiddenAndNeverTaken) {
  const QString old = QString(Utilities::kTemporaryPrefix) + "old";
  const QString fresh = QString(Utilities::kTemporaryPrefix) + "new";
  put("root/" + old, "an author's");
  put("root/" + fresh, "being written");
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (root + old).toUtf8().constData(), times, 0), 0);
  for (const QString& name : {old, fresh}) {
    EXPECT_FALSE(utilities.fileExists(name));
    EXPECT_EQ(opened(name), QByteArray());
    EXPECT_FALSE(utilities.deleteResourceFile(name));
    utilities.writeFile(name, "x");
  }
  utilities.writeFile("note.txt", "n");
  EXPECT_EQ(get("root/" + old), "an author's");
  EXPECT_EQ(get("root/" + fresh), "being written");
  EXPECT_EQ(QDir(root).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList{fresh, old, "note.txt"}));
}

// A replaced file keeps its permissions, set-id bits aside.
TEST_F(UtilitiesTest, ReplacementKeepsMode) {
  const std::string path = (root + "kept.txt").toStdString();
  const std::pair<mode_t, mode_t> modes[] = {
      {0640, 0640},
      {04755, 0755},
  };
  for (const auto& [before, after] : modes) {
    QFile::remove(root + "kept.txt");
    put("root/kept.txt", "old");
    ASSERT_EQ(::chmod(path.c_str(), before), 0);
    utilities.writeFile("kept.txt", "new");
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, after) << std::oct << before;
    EXPECT_EQ(get("root/kept.txt"), "new");
  }
}

// Special files and failed operations: no hang, and the system's reason logged.
TEST_F(UtilitiesTest, FailuresNameTheSystemsReason) {
  ASSERT_EQ(mkfifo((root + "pipe").toUtf8().constData(), 0600), 0);
  EXPECT_EQ(utilities.readResourceAsBytes("pipe"), QByteArray());
  utilities.writeFile("missing/x.txt", "x");
  EXPECT_EQ(
      logged(MakoraLog_Static::Error, "Error writing " + (root + "missing/x.txt").toStdString() +
                                          ": No such file or directory"),
      1u);
}

}  // namespace
