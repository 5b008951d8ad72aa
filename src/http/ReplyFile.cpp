#include "http/ReplyFile.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/Platform.h"

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

bool continues(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// A cut where no sequence can reach across, so that decoding both sides apart
// gives what decoding them together does: before a byte that cannot continue
// a sequence, or after three that only continue one (a sequence is four bytes
// at most). 0 when neither is found.
size_t safeCut(const char* bytes, size_t count) {
  if (count >= 3 && continues(bytes[count - 1]) && continues(bytes[count - 2]) &&
      continues(bytes[count - 3]))
    return count;
  for (size_t cut = count; cut-- > 1 && cut + 3 >= count;) {
    if (!continues(bytes[cut])) return cut;
  }
  return 0;
}

}  // namespace

ReplyFile::ReplyFile(FileHandle file, int64_t size, bool scrambled, bool text)
    : file_(std::move(file)), size_(size), scrambled_(scrambled), text_(text) {}

QByteArrayView ReplyFile::nextPiece(std::vector<char>& buffer, size_t chunkBytes) {
  while (!ended_) {
    const size_t held = held_.size();
    buffer.resize(held + chunkBytes);
    std::copy(held_.begin(), held_.end(), buffer.begin());
    long long count = 0;
    if (read_ < size_ && file_.isOpen()) {
      int error = 0;
      count = Platform::readFully(
          file_.get(), buffer.data() + held,
          std::min<long long>(static_cast<long long>(chunkBytes), size_ - read_), error);
    }
    if (count <= 0) {  // at the end, or shrunk or unreadable: sent as far as it went
      count = 0;
      ended_ = true;
    }
    read_ += count;
    char* fresh = buffer.data() + held;
    if (scrambled_) {
      for (long long i = 0; i < count; ++i) fresh[i] = static_cast<char>(~fresh[i]);
    }
    ended_ = ended_ || read_ >= size_;
    if (!text_) {
      if (count > 0) return QByteArrayView(fresh, count);
      continue;
    }
    const size_t total = held + static_cast<size_t>(count);
    const size_t cut = ended_ ? total : safeCut(buffer.data(), total);
    held_.assign(buffer.begin() + static_cast<std::ptrdiff_t>(cut),
                 buffer.begin() + static_cast<std::ptrdiff_t>(total));
    if (cut == 0) continue;
    const QByteArrayView piece = asText(QByteArrayView(buffer.data(), static_cast<qsizetype>(cut)));
    if (!piece.isEmpty()) return piece;
  }
  return {};
}

// Only the file's first byte order mark is dropped, as whole decoding drops
// it; the decoder would drop one at the start of any later piece too, so
// those go out as they are.
QByteArrayView ReplyFile::asText(QByteArrayView bytes) {
  const QByteArrayView mark(kByteOrderMark, 3);
  if (std::exchange(atStart_, false) && bytes.startsWith(mark)) bytes = bytes.sliced(3);
  qsizetype marks = 0;
  while (bytes.sliced(marks).startsWith(mark)) marks += 3;
  const QByteArrayView rest = bytes.sliced(marks);
  if (rest.isValidUtf8()) return bytes;
  encoded_ = bytes.first(marks).toByteArray() + QString::fromUtf8(rest).toUtf8();
  return encoded_;
}
