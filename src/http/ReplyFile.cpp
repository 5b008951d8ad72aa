#include "http/ReplyFile.h"

#include <utility>

#include "platform/Platform.h"

ReplyFile::ReplyFile(int descriptor, int64_t size, bool scrambled)
    : descriptor_(descriptor), size_(size), scrambled_(scrambled) {}

ReplyFile::ReplyFile(ReplyFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      size_(other.size_),
      scrambled_(other.scrambled_) {}

ReplyFile& ReplyFile::operator=(ReplyFile&& other) noexcept {
  if (this != &other) {
    close();
    descriptor_ = std::exchange(other.descriptor_, -1);
    size_ = other.size_;
    scrambled_ = other.scrambled_;
  }
  return *this;
}

ReplyFile::~ReplyFile() {
  close();
}

void ReplyFile::close() {
  Platform::closeFile(descriptor_);
  descriptor_ = -1;
}
