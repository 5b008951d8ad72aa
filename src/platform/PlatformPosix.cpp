// The POSIX half of the platform calls; the Windows half is PlatformWindows.cpp.
#ifndef _WIN32

#include <fcntl.h>
#include <linux/openat2.h>
#include <pthread.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Platform.h"

void Platform::setCurrentThreadName(const char* name) {
  char shortName[16];  // the kernel keeps 15 characters and the NUL
  std::strncpy(shortName, name, sizeof(shortName) - 1);
  shortName[sizeof(shortName) - 1] = '\0';
  pthread_setname_np(pthread_self(), shortName);
}

unsigned long Platform::currentThreadId() {
  return static_cast<unsigned long>(syscall(SYS_gettid));
}

namespace {
// Length of the valid UTF-8 sequence at s and its code point, or 0.
int decodeUtf8(const unsigned char* s, char32_t& cp) {
  if (s[0] < 0x80) {
    cp = s[0];
    return 1;
  }
  int len = (s[0] & 0xE0) == 0xC0 ? 2 : (s[0] & 0xF0) == 0xE0 ? 3 : (s[0] & 0xF8) == 0xF0 ? 4 : 0;
  if (len == 0) return 0;
  cp = s[0] & (0x7F >> len);
  for (int i = 1; i < len; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}
}  // namespace

std::wstring Platform::ansiToWide(const char* text) {
  std::wstring out;
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (*s != 0) {
    char32_t cp = 0;
    int len = decodeUtf8(s, cp);
    if (len == 0) {
      cp = *s;
      len = 1;
    }
    out.push_back(static_cast<wchar_t>(cp));
    s += len;
  }
  return out;
}

std::string Platform::wideToAnsi(const wchar_t* text) {
  std::string out;
  for (; *text != 0; ++text) {
    auto cp = static_cast<char32_t>(*text);
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

double Platform::readCDouble(const char* text) {
  static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
  return strtod_l(text, nullptr, cLocale);
}

std::string Platform::errorText(int error) {
  char text[256];
  // The GNU variant may return a static text instead of filling the buffer.
  return strerror_r(error, text, sizeof(text));
}

bool Platform::realPath(const std::string& path, std::string& resolved, int& error) {
  char buffer[PATH_MAX];
  if (realpath(path.c_str(), buffer) == nullptr) {
    error = errno;
    return false;
  }
  resolved = buffer;
  return true;
}

bool Platform::isWithin(const std::string& root, const std::string& path, std::string& relative) {
  if (root.empty() || path.compare(0, root.size(), root) != 0) return false;
  size_t rest = root.size();
  if (rest < path.size() && root.back() != '/') {
    if (path[rest] != '/') return false;
    ++rest;
  }
  relative = path.substr(rest);
  return true;
}

bool Platform::isLink(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

FileHandle Platform::openFolderBeneath(const std::string& root, const std::string& relative,
                                       int& error) {
  constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int folder = open(root.c_str(), kFolderFlags);
  size_t start = 0;
  while (folder >= 0 && start < relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    const std::string component = relative.substr(start, end - start);
    start = end + 1;
    if (component.empty()) continue;
    const int next = openat(folder, component.c_str(), kFolderFlags);
    const int openError = errno;
    close(folder);
    folder = next;
    errno = openError;
  }
  if (folder < 0) error = errno;
  return FileHandle(folder);
}

FileHandle Platform::openIn(int folder, const std::string& leaf, FileAccess access, int& error) {
  const int flags = access == FileAccess::Read
                        ? O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC
                        : O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  const int file = openat(folder, leaf.c_str(), flags, 0666);
  if (file < 0) error = errno;
  return FileHandle(file);
}

// The kernel refuses any link and any way out of root, as the walk does step by
// step: two opens whatever the depth.
FileHandle Platform::openBeneath(const std::string& root, const std::string& relative, int& error) {
  static std::atomic<bool> unsupported{false};
  if (unsupported.load(std::memory_order_relaxed)) return walkBeneath(root, relative, error);
  const FileHandle folder(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder.isOpen()) {
    error = errno;
    return {};
  }
  open_how how{};
  how.flags = O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  // Below root, as the walk takes it: leading separators name no component.
  const size_t start = relative.find_first_not_of('/');
  const char* path = start == std::string::npos ? "." : relative.c_str() + start;
  const long file = syscall(SYS_openat2, folder.get(), path, &how, sizeof how);
  if (file >= 0) return FileHandle(static_cast<int>(file));
  // Older kernels lack the call; a sandbox may refuse it.
  if (errno != ENOSYS && errno != EPERM) {
    error = errno;
    return {};
  }
  if (errno == ENOSYS) unsupported.store(true, std::memory_order_relaxed);
  return walkBeneath(root, relative, error);
}

long long Platform::regularFileSize(int file, int& error) {
  struct stat status {};
  if (fstat(file, &status) != 0) {
    error = errno;
    return -1;
  }
  if (!S_ISREG(status.st_mode)) {
    error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  return status.st_size;
}

namespace {
// move(offset) is one read or write of the rest from offset; an interrupted one
// is repeated. The bytes moved, fewer when a call moves none, or -1.
template <class Move>
long long untilDone(long long size, int& error, Move move) {
  long long done = 0;
  while (done < size) {
    const ssize_t n = move(done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}
}  // namespace

long long Platform::readFully(int file, char* buffer, long long size, int& error) {
  return untilDone(size, error, [&](long long at) {
    return read(file, buffer + at, static_cast<size_t>(size - at));
  });
}

bool Platform::writeFully(int file, const char* data, long long size, int& error) {
  const long long done = untilDone(size, error, [&](long long at) {
    return write(file, data + at, static_cast<size_t>(size - at));
  });
  if (done < 0) return false;
  if (done < size) {
    error = EIO;
    return false;
  }
  if (fsync(file) != 0) {
    error = errno;
    return false;
  }
  return true;
}

FileHandle Platform::openAnonymousIn(int folder, int& error) {
#ifdef O_TMPFILE
  // Naming it later goes through /proc: linking by descriptor alone needs a
  // privilege.
  if (access("/proc/self/fd", X_OK) == 0) {
    const int file = openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (file >= 0) return FileHandle(file);
    error = errno;
    return FileHandle();
  }
#endif
  error = ENOTSUP;
  return FileHandle();
}

bool Platform::linkAnonymousIn(int file, int folder, const std::string& leaf, int& error) {
  if (linkat(AT_FDCWD, openedFilePath(file).c_str(), folder, leaf.c_str(), AT_SYMLINK_FOLLOW) == 0)
    return true;
  error = errno;
  return false;
}

bool Platform::ownershipIn(int folder, const std::string& leaf, Ownership& ownership, int& error) {
  struct stat status {};
  if (fstatat(folder, leaf.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    error = errno;
    return false;
  }
  ownership.mode = status.st_mode & 07777;
  ownership.owner = status.st_uid;
  ownership.group = status.st_gid;
  return true;
}

// Owner first: a change of owner clears set-id bits that the mode then sets.
bool Platform::applyOwnership(int file, const Ownership& ownership, int& error) {
  const auto owner = static_cast<uid_t>(ownership.owner);
  const auto group = static_cast<gid_t>(ownership.group);
  if (fchown(file, owner, group) != 0) fchown(file, static_cast<uid_t>(-1), group);
  if (fchmod(file, static_cast<mode_t>(ownership.mode)) == 0) return true;
  error = errno;
  return false;
}

bool Platform::renameIn(int folder, const std::string& from, const std::string& to, int& error) {
  if (renameat(folder, from.c_str(), folder, to.c_str()) == 0) return true;
  error = errno;
  return false;
}

bool Platform::removeIn(int folder, const std::string& leaf, int& error) {
  if (unlinkat(folder, leaf.c_str(), 0) == 0) return true;
  error = errno;
  return false;
}

std::string Platform::openedFilePath(int file) {
  char path[32];
  std::snprintf(path, sizeof(path), "/proc/self/fd/%d", file);
  return path;
}

void Platform::closeFile(int file) {
  if (file >= 0) close(file);
}

// Sockets.

void Platform::setCloseOnExec(ACE_HANDLE handle) {
  ::fcntl(handle, F_SETFD, FD_CLOEXEC);
}

ACE_HANDLE Platform::acceptConnection(ACE_HANDLE listening, int& error) {
  const int accepted = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
  error = accepted < 0 ? errno : 0;
  return accepted;
}

// A listening socket shut down wakes its waiting accepts with EINVAL; it stays
// open, so that a late accept cannot reach a reused descriptor number.
void Platform::stopListening(ACE_HANDLE listening) {
  ::shutdown(listening, SHUT_RDWR);
}

void Platform::closeListening(ACE_HANDLE listening) {
  ::close(listening);
}

bool Platform::isListenerGone(int error) {
  return error == EINVAL || error == EBADF || error == ENOTSOCK;
}

void Platform::setReceiveTimeout(ACE_HANDLE socket, int milliseconds) {
  timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000L};
  ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

void Platform::setSendTimeout(ACE_HANDLE socket, int milliseconds) {
  timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000L};
  ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

bool Platform::sendAll(ACE_HANDLE socket, const char* bytes, size_t size, bool more) {
  const int flags = MSG_NOSIGNAL | (more ? MSG_MORE : 0);
  while (size > 0) {
    const ssize_t sent = ::send(socket, bytes, size, flags);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= static_cast<size_t>(sent);
  }
  return true;
}

int64_t Platform::sendFile(ACE_HANDLE socket, int file, int64_t offset, size_t count) {
  off_t position = static_cast<off_t>(offset);
  while (count > 0) {
    const ssize_t sent = ::sendfile(socket, file, &position, count);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) break;  // 0: the file became shorter
    count -= static_cast<size_t>(sent);
  }
  return static_cast<int64_t>(position) - offset;
}

void Platform::ignoreBrokenPipe() {
  // sendfile has no MSG_NOSIGNAL: the thread keeps SIGPIPE blocked instead.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
}

bool Platform::isTimeout(int error) {
  return error == ETIME || error == EAGAIN || error == EWOULDBLOCK || error == ETIMEDOUT;
}

bool Platform::isOutOfDescriptors(int error) {
  return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

#endif  // !_WIN32
