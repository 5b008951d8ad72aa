#include "platform/FileHandle.h"

#include "platform/Platform.h"

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    close();
    descriptor_ = other.release();
  }
  return *this;
}

void FileHandle::close() {
  if (descriptor_ >= 0) Platform::closeFile(release());
}
