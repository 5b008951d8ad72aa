#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <vector>

#include "platform/FileHandle.h"

// A file that a reply continues with after its head, sent from the disk in
// bounded pieces instead of being held in memory. Owns its open handle.
class ReplyFile {
 public:
  ReplyFile() = default;
  // scrambled: the bytes are stored complemented and go out restored.
  // text: they go out as UTF-8 text decoded whole and encoded again would
  // (leading byte order mark dropped, invalid sequences replaced).
  ReplyFile(FileHandle file, int64_t size, bool scrambled, bool text = false);

  bool isOpen() const { return file_.isOpen(); }
  // The system's file descriptor, as Platform's file calls take it.
  int descriptor() const { return file_.get(); }
  // As found when opened; a file that shrinks after is sent as far as it goes.
  int64_t size() const { return size_; }
  bool scrambled() const { return scrambled_; }
  bool text() const { return text_; }
  // The kernel may send it: it goes out as stored.
  bool sentAsStored() const { return !scrambled_ && !text_; }
  // The next bytes to send, read through buffer chunkBytes at a time; valid
  // until the next call, empty once the file is done or cannot be read on.
  QByteArrayView nextPiece(std::vector<char>& buffer, size_t chunkBytes);
  // Every byte up to size has been read.
  bool complete() const { return read_ >= size_; }
  void close() { file_.close(); }

 private:
  QByteArrayView asText(QByteArrayView bytes);

  FileHandle file_;
  int64_t size_ = 0;
  bool scrambled_ = false;
  bool text_ = false;
  int64_t read_ = 0;
  bool ended_ = false;
  bool atStart_ = true;  // no text sent yet
  // Text read but not yet sent: a sequence that the next chunk may finish.
  std::vector<char> held_;
  QByteArray encoded_;
};
