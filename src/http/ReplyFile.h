#pragma once

#include <cstdint>

// A file that a reply continues with after its head, sent from the disk in
// bounded pieces instead of being held in memory. Owns its open handle.
class ReplyFile {
 public:
  ReplyFile() = default;
  // scrambled: the bytes are stored complemented and go out restored.
  ReplyFile(int descriptor, int64_t size, bool scrambled);
  ReplyFile(ReplyFile&& other) noexcept;
  ReplyFile& operator=(ReplyFile&& other) noexcept;
  ReplyFile(const ReplyFile&) = delete;
  ReplyFile& operator=(const ReplyFile&) = delete;
  ~ReplyFile();

  bool isOpen() const { return descriptor_ >= 0; }
  // The system's file descriptor, as Platform's file calls take it.
  int descriptor() const { return descriptor_; }
  // As found when opened; a file that shrinks after is sent as far as it goes.
  int64_t size() const { return size_; }
  bool scrambled() const { return scrambled_; }
  void close();

 private:
  int descriptor_ = -1;
  int64_t size_ = 0;
  bool scrambled_ = false;
};
