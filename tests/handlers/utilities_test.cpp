// File access below a data root: scrambled fall-back, XML through the DOM,
// decoded writes, deletes, and the temporary files of writes. Where a name
// resolves is ConfinedRoot's table; here each command is shown to ask it.
// Guards against: the scrambled variant tried first or not at all, XML read
// past its cap or budget, a write decoded wrongly, left half done or leaving
// its temporary, a folder deleted, a command that follows a link or ".." out
// of the root, a link's target deleted instead of the link, mode or owner of a
// replaced file lost, a failure logged without the system's reason.
#include "handlers/Utilities.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BDomData.h"
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
  put("root/report.doc", scrambled("complemented too"));
  put("root/Upper.JSC", scrambled("case of extension ignored"));
  const std::pair<const char*, QByteArray> rows[] = {
      {"both.js", "plain"},
      {"only.js", "abc"},
      {"report.doc", "complemented too"},
      {"Upper.JSC", "case of extension ignored"},
      {"sub", ""},  // a folder exists but cannot be read
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
  put("root/Data.XML", document);
  put("root/packed.xmlc", scrambled(document));
  put("root/hidden.xmlc", scrambled(document));
  BDomData reference;
  ACE_WString wide;
  ASSERT_TRUE(reference.load((root + "Data.XML").toUtf8().constData()) && reference.getXML(wide));
  const QString domText = QString::fromWCharArray(wide.c_str(), wide.length());
  ASSERT_TRUE(domText.contains(QString::fromUtf8("\xC3\xA9t\xC3\xA9")));

  EXPECT_EQ(utilities.readResourceAsText("Data.XML"), domText);
  // A .xmlc name is not an XML name: the file's own text comes back.
  EXPECT_EQ(utilities.readResourceAsText("packed.xmlc"), QString::fromUtf8(document));
  // An .xml name found only scrambled is unscrambled before the DOM reads it.
  EXPECT_EQ(utilities.readXMLResource("hidden.xml"), domText);
  EXPECT_EQ(utilities.readResourceAsText("missing.txt"), QString());
  EXPECT_EQ(logged(MakoraLog_Static::Error, "[readResourceAsText(missing.txt)]: failed."), 1u);
}

// Streaming a text answers and logs as reading it whole did.
TEST_F(UtilitiesTest, TextOpenedToStreamFailsAsReadingItWhole) {
  put("root/t.txt", "t");
  put("root/p.txtc", scrambled("p"));
  put("root/empty.txt", "");
  ASSERT_EQ(mkfifo((root + "pipe").toUtf8().constData(), 0600), 0);
  const auto notices = [this] {
    std::vector<std::string> lines;
    for (const auto& r : StandinLog::takeCaptured())
      if (r.level != MakoraLog_Static::Trace) lines.push_back(r.message);
    return lines;
  };
  const std::pair<const char*, bool> rows[] = {
      {"t.txt", true}, {"p.txt", true}, {"empty.txt", false},
      {"sub", false},  {"pipe", false}, {"none.txt", false},
  };
  for (const auto& [name, opens] : rows) {
    notices();
    const bool readWhole = !utilities.readResourceAsText(name).isEmpty();
    const std::vector<std::string> expected = notices();
    ReplyFile file;
    EXPECT_EQ(utilities.openTextResource(name, file), opens) << name;
    EXPECT_EQ(readWhole, opens) << name;
    EXPECT_EQ(file.isOpen() && file.text(), opens) << name;
    EXPECT_EQ(notices(), expected) << name;
  }
}

// At the cap a document goes through the DOM; one byte more is refused unread.
TEST_F(UtilitiesTest, XmlThroughTheDomIsCapped) {
  const auto document = [](qsizetype size) { return "<a>" + QByteArray(size - 7, 'x') + "</a>"; };
  const qsizetype cap = limits::kMaxXmlFileBytes;
  const struct {
    const char* file;
    const char* name;
    qsizetype size;
    bool read;
  } rows[] = {
      {"root/at.xml", "at.xml", cap, true},
      {"root/over.xml", "over.xml", cap + 1, false},
      {"root/packedAt.xmlc", "packedAt.xml", cap, true},
      {"root/packedOver.xmlc", "packedOver.xml", cap + 1, false},
  };
  for (const auto& row : rows) {
    const QByteArray bytes = document(row.size);
    put(row.file, QString(row.file).endsWith(u'c') ? scrambled(bytes) : bytes);
    EXPECT_EQ(utilities.readResourceAsText(row.name).size() > cap / 2, row.read) << row.name;
    EXPECT_EQ(logged(MakoraLog_Static::Warning,
                     (root + QString(row.file).mid(5)).toStdString() +
                         " exceeds 8388608 bytes (kMaxXmlFileBytes), not read."),
              row.read ? 0u : 1u)
        << row.name;
  }
}

// What the DOM reads keeps its share of the budget until the reader lets the
// share go; a read that would go beyond the budget is refused unread.
TEST_F(UtilitiesTest, XmlReadsShareOneBudget) {
  const qsizetype cap = limits::kMaxXmlFileBytes;
  ASSERT_EQ(limits::kXmlReadBudgetBytes, 2 * cap);
  put("root/at.xml", "<a>" + QByteArray(cap - 7, 'x') + "</a>");
  put("root/small.xml", "<small/>");
  const std::string refusal = "small.xml not read, the XML documents being read hold";
  auto first = std::make_unique<Utilities>(root);
  Utilities second(root), third(root);
  EXPECT_FALSE(first->readXMLResource("at.xml").isEmpty());
  XmlReadBudget::Lease kept =
      second.readXMLResource("at.xml").isEmpty() ? XmlReadBudget::Lease() : second.takeXmlLease();
  EXPECT_EQ(kept.bytes(), cap);
  EXPECT_EQ(third.readXMLResource("small.xml"), QString());
  EXPECT_EQ(logged(MakoraLog_Static::Warning, refusal), 1u);
  EXPECT_EQ(XmlReadBudget::inUse(), 2 * cap);
  first.reset();
  EXPECT_EQ(third.readXMLResource("small.xml"), "<small/>");
  kept = XmlReadBudget::Lease();
  EXPECT_EQ(XmlReadBudget::inUse(), 8);
  EXPECT_EQ(logged(MakoraLog_Static::Warning, refusal), 1u);
}

TEST_F(UtilitiesTest, WriteDecodesAndReplacesWholeDeleteTakesFilesOnly) {
  const std::pair<const char*, QByteArray> rows[] = {
      {"x%3Cy%3E+z", "x<y>+z"},
      {"line%0D%0Anext", "line\r\nnext"},
      {"%2e%2e", ".."},
      // A "%" without two hexadecimal digits is kept as written.
      {"100%zz%4", "100%zz%4"},
      {"%%41%G1", "%A%G1"},
  };
  for (const auto& [content, expected] : rows) {
    utilities.writeFile("out.txt", content);
    EXPECT_EQ(get("root/out.txt"), expected) << content;
  }
  EXPECT_EQ(QFileInfo(root + "out.txt").permissions() & QFileDevice::ReadOther,
            QFileDevice::ReadOther);
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

// An absolute name is joined to the root; escapes are not decoded.
TEST_F(UtilitiesTest, NamesAreTakenAsWritten) {
  put("root/sub/inside.txt", "inside");
  ASSERT_TRUE(QDir().mkpath(root + "%2e%2e"));
  put("root/%2e%2e/literal.txt", "literal");
  EXPECT_EQ(utilities.readResourceAsBytes("/sub/inside.txt"), "inside");
  EXPECT_EQ(opened("/sub/inside.txt"), "inside");
  EXPECT_EQ(opened("sub/./inside.txt"), "inside");
  EXPECT_EQ(utilities.readResourceAsBytes("%2e%2e/literal.txt"), "literal");
  EXPECT_EQ(utilities.readResourceAsBytes("/etc/hostname"), QByteArray());
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
    EXPECT_EQ(utilities.readResourceAsText(row.name), row.inside ? "inside" : "");
    EXPECT_EQ(utilities.readXMLResource(row.name), "");  // not XML, or not readable
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

TEST_F(UtilitiesTest, RootThatIsALinkKeepsWorking) {
  fs::create_directory_symlink(temp.path().toStdString() + "/root",
                               temp.path().toStdString() + "/alias");
  put("root/sub/inside.txt", "inside");
  Utilities aliased(temp.path() + "/alias/");
  EXPECT_EQ(aliased.readResourceAsBytes("sub/inside.txt"), "inside");
  ReplyFile file;
  EXPECT_TRUE(aliased.openResource("sub/inside.txt", file));
  EXPECT_EQ(file.size(), 6);
  aliased.writeFile("sub/new.txt", "new");
  EXPECT_EQ(get("root/sub/new.txt"), "new");
  EXPECT_TRUE(aliased.deleteResourceFile("sub/new.txt"));
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
    EXPECT_EQ(utilities.readResourceAsBytes(name), QByteArray());
    EXPECT_EQ(opened(name), QByteArray());
    EXPECT_FALSE(utilities.deleteResourceFile(name));
    utilities.writeFile(name, "x");
  }
  for (int i = 0; i < 3; ++i) utilities.writeFile("note.txt", "n");
  EXPECT_EQ(get("root/" + old), "an author's");
  EXPECT_EQ(get("root/" + fresh), "being written");
  EXPECT_EQ(QDir(root).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList{fresh, old, "note.txt"}));
}

// A replaced file keeps its permissions (set-id bits aside) and its owner.
TEST_F(UtilitiesTest, ReplacementKeepsModeAndOwner) {
  const std::string path = (root + "kept.txt").toStdString();
  const std::pair<mode_t, mode_t> modes[] = {
      {0600, 0600}, {0640, 0640}, {0444, 0444}, {0755, 0755}, {04755, 0755}, {02770, 0770},
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
  if (::geteuid() != 0) GTEST_SKIP() << "only a privileged process may give a file away";
  ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
  utilities.writeFile("kept.txt", "newer");
  struct stat status {};
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 1234u);
  EXPECT_EQ(status.st_gid, 5678u);
  EXPECT_EQ(get("root/kept.txt"), "newer");
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
  EXPECT_EQ(
      logged(MakoraLog_Static::Error, "Error reading " + (root + "pipe").toStdString() + ": "), 1u);
}

}  // namespace
