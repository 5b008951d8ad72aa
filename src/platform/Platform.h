#pragma once

#include <ace/config-lite.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/FileHandle.h"

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
  // strtod with a decimal point, whatever locale the host switched to.
  static double readCDouble(const char* text);

  // Confined file access. Descriptors are the system's, owned by a FileHandle
  // where they are opened; every failure returns false, -1 or a closed handle
  // and sets error to the system's code, which errorText names.
  static std::string errorText(int error);
  // The path as the kernel resolves it: links followed, "." and ".." applied.
  static bool realPath(const std::string& path, std::string& resolved, int& error);
  // True when path, resolved, is root or lies below it; relative is the rest
  // after root's separator. Names compare as the file system compares them.
  static bool isWithin(const std::string& root, const std::string& path, std::string& relative);
  // True for a link, dangling or not.
  static bool isLink(const std::string& path);
  // Opens the folder relative (components joined by '/', may be empty) below
  // root, one component at a time; a link on the way fails with ELOOP, so a
  // tree changed since it was resolved is never followed out.
  static FileHandle openFolderBeneath(const std::string& root, const std::string& relative,
                                      int& error);
  enum class FileAccess { Read, CreateNew };
  // leaf inside folder, never through a link; Read never blocks on a FIFO.
  static FileHandle openIn(int folder, const std::string& leaf, FileAccess access, int& error);
  // The file relative below root for reading, as openFolderBeneath and openIn
  // together would open it, in one call where the system has one.
  static FileHandle openBeneath(const std::string& root, const std::string& relative, int& error);
  // The same by openFolderBeneath and openIn, where the system has no single call.
  static FileHandle walkBeneath(const std::string& root, const std::string& relative, int& error);
  // -1 unless file is a regular file.
  static long long regularFileSize(int file, int& error);
  // Reads up to size bytes, fewer only at the end of the file.
  static long long readFully(int file, char* buffer, long long size, int& error);
  // Writes all bytes and syncs them to the disk.
  static bool writeFully(int file, const char* data, long long size, int& error);
  // A file in folder that has no name until linkAnonymousIn gives it one, so
  // that nothing is left behind when the writer dies; -1 where the system or
  // the file system has no such files.
  static FileHandle openAnonymousIn(int folder, int& error);
  // Names an anonymous file leaf in folder; fails with EEXIST when it is taken.
  static bool linkAnonymousIn(int file, int folder, const std::string& leaf, int& error);
  // Permission bits, owner and group of a file, as a replacement should keep them.
  struct Ownership {
    unsigned mode = 0;
    long long owner = -1;
    long long group = -1;
  };
  // Of leaf itself in folder (a link is not followed); false where the
  // system has no such notion.
  static bool ownershipIn(int folder, const std::string& leaf, Ownership& ownership, int& error);
  // The mode, and the owner and group as far as the process may give them.
  static bool applyOwnership(int file, const Ownership& ownership, int& error);
  static bool renameIn(int folder, const std::string& from, const std::string& to, int& error);
  // Removes leaf itself (a link, never its target); folders are refused.
  static bool removeIn(int folder, const std::string& leaf, int& error);
  // A path that opens the very file behind file, for readers that take a path.
  static std::string openedFilePath(int file);
  static void closeFile(int file);

  // Sockets.
  // An IPv4 address in dotted form into host byte order; false when it is none.
  static bool parseIPv4(const char* text, uint32_t& address);
  static void setCloseOnExec(ACE_HANDLE handle);
  // Takes the next connection of a listening socket, closed on exec from the
  // start; ACE_INVALID_HANDLE and error set when there is none. A receive
  // time-out set on the listening socket bounds the wait.
  static ACE_HANDLE acceptConnection(ACE_HANDLE listening, int& error);
  // Ends every accept waiting on the listening socket, and every later one,
  // at once. closeListening gives the socket back once no accept can come.
  static void stopListening(ACE_HANDLE listening);
  static void closeListening(ACE_HANDLE listening);
  // The error of an accept on a socket that no longer listens.
  static bool isListenerGone(int error);
  // A receive that waits longer fails with a time-out; 0 waits without limit.
  // Set on a listening socket, both time-outs pass to the sockets it accepts.
  static void setReceiveTimeout(ACE_HANDLE socket, int milliseconds);
  // A send that makes no progress for this long fails; 0 waits without limit.
  static void setSendTimeout(ACE_HANDLE socket, int milliseconds);
  // Sends all bytes unless the peer goes or the send time-out expires; never
  // raises a signal. more: further bytes follow at once (sent in one segment).
  static bool sendAll(ACE_HANDLE socket, const char* bytes, size_t size, bool more);
  // Sends up to count bytes of the file from offset by the kernel: the number
  // sent, less when the peer went, the time-out expired or the file ended.
  static int64_t sendFile(ACE_HANDLE socket, int file, int64_t offset, size_t count);
  // Makes a broken connection fail the calling thread's sends instead of
  // killing the process.
  static void ignoreBrokenPipe();
  // The error of a receive that gave up waiting.
  static bool isTimeout(int error);
  // The error of an accept that found no descriptor left.
  static bool isOutOfDescriptors(int error);
};
