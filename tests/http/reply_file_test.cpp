// A text file streamed in chunks goes out byte for byte as the whole file
// decoded from UTF-8 and encoded again would, wherever the chunks fall.
// Guards against: a cut inside a sequence (or after three continuations not
// taken as one), a piece not re-encoded, a byte order mark dropped past the
// first, a scrambled file streamed unscrambled. The random sweep finds the
// wrong cuts; the rows pin the marks and sequences cut short.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QTemporaryDir>
#include <vector>

#include "http/ReplyFile.h"
#include "platform/Limits.h"

namespace {

QByteArray whole(const QByteArray& bytes) {
  return QString::fromUtf8(bytes).toUtf8();
}

QByteArray complemented(QByteArray bytes) {
  for (char& b : bytes) b = static_cast<char>(~b);
  return bytes;
}

class ReplyFileTest : public ::testing::Test {
 protected:
  QString put(const QByteArray& stored, const char* leaf) {
    const QString path = temp.path() + "/" + leaf;
    QFile out(path);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(stored);
    return path;
  }
  // The pieces of the file at path, read chunkBytes at a time; every piece
  // must stay within what one chunk re-encoded can take.
  QByteArray streamed(const QString& path, bool scrambled, size_t chunkBytes) {
    ReplyFile file(FileHandle(::open(path.toUtf8().constData(), O_RDONLY | O_CLOEXEC)),
                   QFile(path).size(), scrambled, true);
    QByteArray sent;
    for (QByteArrayView piece; !(piece = file.nextPiece(buffer, chunkBytes)).isEmpty();) {
      if (size_t(piece.size()) > 3 * (chunkBytes + 3)) return "<piece too large>";
      sent += piece;
    }
    return file.complete() ? sent : "<incomplete>";
  }
  // Chunk sizes that put a cut at each position of a short text, plain and
  // scrambled.
  void expectSameAsWhole(const QByteArray& text,
                         const std::vector<size_t>& chunks = {1, 2, 3, 4, 5, 6, 7, 8, 9}) {
    const QByteArray expected = whole(text);
    const QString plain = put(text, "plain"), packed = put(complemented(text), "packed");
    for (const size_t chunk : chunks) {
      ASSERT_EQ(streamed(plain, false, chunk), expected)
          << text.toHex(' ').constData() << " / " << chunk;
      ASSERT_EQ(streamed(packed, true, chunk), expected)
          << text.toHex(' ').constData() << " / " << chunk << " scrambled";
    }
  }

  QTemporaryDir temp;
  std::vector<char> buffer;
};

TEST_F(ReplyFileTest, StreamedTextEqualsWholeDecoding) {
  const QByteArray rows[] = {
      QByteArray("a\0b\0\0c", 6),                     // NUL bytes
      "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 z",  // two, three, four bytes
      "\xE2\x82"
      "a\xF0\x9F\x98"
      "b\xC3",                                 // cut short before ASCII and at the end
      "\xE2\x82\xC3\xA9\xF0\x9F\xE2\x82\xAC",  // cut short before another lead
      "\xEF\xBB\xBF\xEF\xBB\xBF"
      "x\xEF\xBB\xBF",  // only the first one is
      "\xEF\xBB"
      "x",                               // not a whole mark
      "ab\xEF\xBB\xBF\xEF\xBB\xBF\xC3",  // marks after the start stay
  };
  for (const QByteArray& text : rows) expectSameAsWhole(text);
}

TEST_F(ReplyFileTest, RandomTextsOfAwkwardBytesEqualWholeDecoding) {
  static const char kAlphabet[] =
      "\x00\x41\x80\xBF\xC2\xC3\xA9\xE2\x82\xAC\xEF\xBB\xF0\x9F"
      "\x98\xF4\x90\xED\xA0\xFF\xC0";
  QRandomGenerator random(13);
  for (int i = 0; i < 500; ++i) {
    QByteArray text(random.bounded(25), '\0');
    for (char& b : text) b = kAlphabet[random.bounded(int(sizeof kAlphabet) - 1)];
    expectSameAsWhole(text);
  }
}

TEST_F(ReplyFileTest, LargeFilesInServingChunks) {
  QRandomGenerator random(7);
  QByteArray runs;  // long stretches without ASCII across every chunk border
  while (runs.size() < 300000) runs += random.bounded(2) ? "\xC3\xA9" : "\xF0\x9F\x98\x80\x80";
  for (const QByteArray& text : {runs, "\xEF\xBB\xBF" + QByteArray(200000, 'x')})
    expectSameAsWhole(text, {limits::kReplyChunkBytes, 4099});
}

}  // namespace
