#pragma once

#include <utility>

// An open file or folder of the system's, closed when its handle goes. Move-only,
// so every descriptor has one owner and every way out closes it.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int descriptor) : descriptor_(descriptor) {}
  FileHandle(FileHandle&& other) noexcept : descriptor_(other.release()) {}
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { close(); }

  bool isOpen() const { return descriptor_ >= 0; }
  // The system's descriptor, as Platform's file calls take it; -1 when closed.
  int get() const { return descriptor_; }
  // The descriptor, now the caller's to close.
  int release() { return std::exchange(descriptor_, -1); }
  void close();

 private:
  int descriptor_ = -1;
};
