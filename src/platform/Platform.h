#pragma once

#include <string>

// The few calls that differ between Windows and POSIX.
class Platform {
 public:
  // Names the calling thread for debuggers (15 characters at most on Linux).
  static void setCurrentThreadName(const char* name);
  static unsigned long currentThreadId();
  // Conversions through the system's code page (UTF-8 here). A byte that is
  // not part of a valid UTF-8 sequence becomes the character of the same code.
  static std::wstring ansiToWide(const char* text);
  static std::string wideToAnsi(const wchar_t* text);

  // Confined file access. Descriptors are the system's; every failure returns
  // false or -1 and sets error to the system's code, which errorText names.
  static std::string errorText(int error);
  // The path as the kernel resolves it: links followed, "." and ".." applied.
  static bool realPath(const std::string& path, std::string& resolved, int& error);
  // True for a link, dangling or not.
  static bool isLink(const std::string& path);
  // Opens the folder relative (components joined by '/', may be empty) below
  // root, one component at a time; a link on the way fails with ELOOP, so a
  // tree changed since it was resolved is never followed out.
  static int openFolderBeneath(const std::string& root, const std::string& relative, int& error);
  enum class FileAccess { Read, CreateNew };
  // leaf inside folder, never through a link; Read never blocks on a FIFO.
  static int openIn(int folder, const std::string& leaf, FileAccess access, int& error);
  // -1 unless file is a regular file.
  static long long regularFileSize(int file, int& error);
  // Reads up to size bytes, fewer only at the end of the file.
  static long long readFully(int file, char* buffer, long long size, int& error);
  // Writes all bytes and syncs them to the disk.
  static bool writeFully(int file, const char* data, long long size, int& error);
  static bool renameIn(int folder, const std::string& from, const std::string& to, int& error);
  // Removes leaf itself (a link, never its target); folders are refused.
  static bool removeIn(int folder, const std::string& leaf, int& error);
  // A path that opens the very file behind file, for readers that take a path.
  static std::string openedFilePath(int file);
  static void closeFile(int file);
};
