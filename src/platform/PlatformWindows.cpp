// The Windows half of the platform calls (its sockets are PlatformWindowsSockets.cpp);
// the POSIX half is PlatformPosix.cpp.
#ifdef _WIN32

#include "platform/Platform.h"

// winsock2.h must come before windows.h.
#include <winsock2.h>
// (keeps the order above)
#include <fcntl.h>
#include <io.h>
#include <mswsock.h>
#include <windows.h>
#include <ws2tcpip.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#ifdef _MSC_VER
namespace {
const DWORD kSetThreadNameException = 0x406D1388;

#pragma pack(push, 8)
struct ThreadNameInfo {
  DWORD type;  // 0x1000
  LPCSTR name;
  DWORD threadId;
  DWORD flags;
};
#pragma pack(pop)
}  // namespace
#endif

// The name reaches an attached debugger through a structured exception, which
// only MSVC can raise and catch; a GCC build leaves threads unnamed.
void Platform::setCurrentThreadName(const char* name) {
#ifdef _MSC_VER
  ThreadNameInfo info{0x1000, name, GetCurrentThreadId(), 0};
  __try {
    RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                   reinterpret_cast<ULONG_PTR*>(&info));
  } __except (EXCEPTION_EXECUTE_HANDLER) {
  }
#else
  (void)name;
#endif
}

unsigned long Platform::currentThreadId() {
  return GetCurrentThreadId();
}

std::wstring Platform::ansiToWide(const char* text) {
  int n = MultiByteToWideChar(GetACP(), 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(GetACP(), 0, text, -1, out.data(), n);
  return out;
}

std::string Platform::wideToAnsi(const wchar_t* text) {
  int n = WideCharToMultiByte(GetACP(), 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(GetACP(), 0, text, -1, out.data(), n, nullptr, nullptr);
  return out;
}

double Platform::readCDouble(const char* text) {
  static const _locale_t cLocale = _create_locale(LC_NUMERIC, "C");
  return _strtod_l(text, nullptr, cLocale);
}

namespace {
// File names are UTF-8 in this component, whatever the code page.
std::wstring fromUtf8(const std::string& text) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string toUtf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

// The callers speak errno, as errorText does.
int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_TOO_MANY_OPEN_FILES:
      return EMFILE;
    default:
      return EIO;
  }
}

// The long form ("\\?\C:\..."): names below it are taken as written, with no
// "." or ".." applied and no length limit of the old calls.
std::wstring finalPath(HANDLE handle) {
  const DWORD flags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
  const DWORD n = GetFinalPathNameByHandleW(handle, nullptr, 0, flags);
  if (n == 0) return {};
  std::wstring path(n, L'\0');
  const DWORD written = GetFinalPathNameByHandleW(handle, path.data(), n, flags);
  path.resize(written < n ? written : 0);
  return path;
}

// The form a user writes: no long-form prefix, '/' between components.
std::string shownPath(std::wstring path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
    path = L"\\\\" + path.substr(8);
  else if (path.rfind(L"\\\\?\\", 0) == 0)
    path = path.substr(4);
  for (wchar_t& c : path)
    if (c == L'\\') c = L'/';
  return toUtf8(path);
}

// Only name surrogates (symbolic links, junctions) lead elsewhere; other
// reparse points, such as cloud placeholders, are the file itself.
bool isLinkHandle(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO info{};
  return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info) &&
         (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
         IsReparseTagNameSurrogate(info.ReparseTag);
}

bool isLinkAt(const std::wstring& path) {
  const HANDLE handle = CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool link = isLinkHandle(handle);
  CloseHandle(handle);
  return link;
}

bool isFolderHandle(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO info{};
  return GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info) &&
         (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Folders are held without delete sharing, so that a folder on the way cannot
// be renamed or removed while a name below it is in use.
HANDLE openNoFollow(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileW(path.c_str(), access, share, nullptr, disposition,
                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

HANDLE handleOf(int file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(file));
}

// leaf in the folder held by folder, in the long form.
std::wstring pathIn(int folder, const std::string& leaf) {
  const std::wstring base = finalPath(handleOf(folder));
  if (base.empty()) return {};
  return base + L"\\" + fromUtf8(leaf);
}

// A descriptor owning handle, or -1 (the handle closed) with error set.
int descriptorOf(HANDLE handle, int flags, int& error) {
  const int file = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
  if (file < 0) {
    CloseHandle(handle);
    error = EMFILE;
  }
  return file;
}

// ReadFile and WriteFile count in a DWORD, so size moves in pieces of at most
// 1 GiB; move(offset, piece, moved) is one call. The bytes moved, or -1.
template <class Move>
long long inPieces(long long size, int& error, Move move) {
  constexpr long long kPiece = 0x40000000;
  long long done = 0;
  while (done < size) {
    DWORD n = 0;
    if (!move(done, static_cast<DWORD>(size - done < kPiece ? size - done : kPiece), n)) {
      error = errnoOf(GetLastError());
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}
}  // namespace

std::string Platform::errorText(int error) {
  char text[256];
  strerror_s(text, sizeof(text), error);
  return text;
}

// Windows applies "." and ".." to the text before it follows links, so the
// resolution asks the file system for the final path of what it opened.
bool Platform::realPath(const std::string& path, std::string& resolved, int& error) {
  const HANDLE handle =
      CreateFileW(fromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = errnoOf(GetLastError());
    return false;
  }
  const std::wstring final = finalPath(handle);
  if (final.empty()) error = errnoOf(GetLastError());
  CloseHandle(handle);
  if (final.empty()) return false;
  resolved = shownPath(final);
  return true;
}

// Compared as the file system compares names: without regard to case.
bool Platform::isWithin(const std::string& root, const std::string& path, std::string& relative) {
  const std::wstring wideRoot = fromUtf8(root);
  const std::wstring widePath = fromUtf8(path);
  if (wideRoot.empty() || widePath.size() < wideRoot.size() ||
      CompareStringOrdinal(wideRoot.data(), static_cast<int>(wideRoot.size()), widePath.data(),
                           static_cast<int>(wideRoot.size()), TRUE) != CSTR_EQUAL)
    return false;
  size_t rest = wideRoot.size();
  if (rest < widePath.size() && wideRoot.back() != L'/') {
    if (widePath[rest] != L'/') return false;
    ++rest;
  }
  relative = toUtf8(widePath.substr(rest));
  return true;
}

bool Platform::isLink(const std::string& path) {
  return isLinkAt(fromUtf8(path));
}

// No relative open in the documented API: each component is opened by the
// final path of the folder above it, which stays held until the end.
FileHandle Platform::openFolderBeneath(const std::string& root, const std::string& relative,
                                       int& error) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  std::vector<HANDLE> chain;
  std::wstring path = fromUtf8(root);
  size_t start = 0;
  error = 0;
  for (;;) {
    const HANDLE folder = openNoFollow(path, FILE_READ_ATTRIBUTES, share, OPEN_EXISTING);
    if (folder == INVALID_HANDLE_VALUE) {
      error = errnoOf(GetLastError());
      break;
    }
    chain.push_back(folder);
    if (isLinkHandle(folder))
      error = ELOOP;
    else if (!isFolderHandle(folder))
      error = ENOTDIR;
    if (error != 0) break;
    size_t end = relative.find('/', start);
    while (start < relative.size() && end == start) {
      start = end + 1;
      end = relative.find('/', start);
    }
    if (start >= relative.size()) break;
    if (end == std::string::npos) end = relative.size();
    path = finalPath(folder) + L"\\" + fromUtf8(relative.substr(start, end - start));
    start = end + 1;
  }
  HANDLE last = INVALID_HANDLE_VALUE;
  if (error == 0 && !chain.empty()) {
    last = chain.back();
    chain.pop_back();
  }
  for (HANDLE held : chain) CloseHandle(held);
  return last == INVALID_HANDLE_VALUE ? FileHandle()
                                      : FileHandle(descriptorOf(last, _O_RDONLY, error));
}

FileHandle Platform::openIn(int folder, const std::string& leaf, FileAccess access, int& error) {
  const std::wstring path = pathIn(folder, leaf);
  if (path.empty()) {
    error = errnoOf(GetLastError());
    return FileHandle();
  }
  // A reader lets a writer replace the file meanwhile, as a POSIX reader does.
  const HANDLE file =
      access == FileAccess::Read
          ? openNoFollow(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         OPEN_EXISTING)
          : CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = errnoOf(GetLastError());
    return FileHandle();
  }
  if (isLinkHandle(file)) {
    CloseHandle(file);
    error = ELOOP;
    return FileHandle();
  }
  return FileHandle(descriptorOf(file, access == FileAccess::Read ? _O_RDONLY : _O_WRONLY, error));
}

// Windows has no call that opens beneath a folder: the folders are walked.
FileHandle Platform::openBeneath(const std::string& root, const std::string& relative, int& error) {
  return walkBeneath(root, relative, error);
}

long long Platform::regularFileSize(int file, int& error) {
  const HANDLE handle = handleOf(file);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) {
    error = errnoOf(GetLastError());
    return -1;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = EISDIR;
    return -1;
  }
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    error = EINVAL;
    return -1;
  }
  return (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

long long Platform::readFully(int file, char* buffer, long long size, int& error) {
  const HANDLE handle = handleOf(file);
  return inPieces(size, error, [&](long long at, DWORD piece, DWORD& n) {
    return ReadFile(handle, buffer + at, piece, &n, nullptr) != 0;
  });
}

bool Platform::writeFully(int file, const char* data, long long size, int& error) {
  const HANDLE handle = handleOf(file);
  const long long done = inPieces(size, error, [&](long long at, DWORD piece, DWORD& n) {
    return WriteFile(handle, data + at, piece, &n, nullptr) != 0;
  });
  if (done < 0) return false;
  if (done < size) {
    error = EIO;
    return false;
  }
  if (!FlushFileBuffers(handle)) {
    error = errnoOf(GetLastError());
    return false;
  }
  return true;
}

// Windows keeps no nameless files; a write takes a temporary name instead.
FileHandle Platform::openAnonymousIn(int, int& error) {
  error = ENOTSUP;
  return FileHandle();
}

bool Platform::linkAnonymousIn(int, int, const std::string&, int& error) {
  error = ENOTSUP;
  return false;
}

// Access lists are not carried over: a replacement gets the folder's.
bool Platform::ownershipIn(int, const std::string&, Ownership&, int& error) {
  error = ENOTSUP;
  return false;
}

bool Platform::applyOwnership(int, const Ownership&, int& error) {
  error = ENOTSUP;
  return false;
}

// A link as the target is replaced itself, as rename does on POSIX.
bool Platform::renameIn(int folder, const std::string& from, const std::string& to, int& error) {
  const std::wstring source = pathIn(folder, from);
  const std::wstring target = pathIn(folder, to);
  if (!source.empty() && !target.empty() &&
      MoveFileExW(source.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  error = errnoOf(GetLastError());
  return false;
}

// A link to a folder is a folder to Windows: it goes with RemoveDirectoryW,
// which removes the link and never what it leads to.
bool Platform::removeIn(int folder, const std::string& leaf, int& error) {
  const std::wstring path = pathIn(folder, leaf);
  const DWORD attributes =
      path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    error = errnoOf(GetLastError());
    return false;
  }
  const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (isFolder && !isLinkAt(path)) {
    error = EISDIR;
    return false;
  }
  if (isFolder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) return true;
  error = errnoOf(GetLastError());
  return false;
}

std::string Platform::openedFilePath(int file) {
  return shownPath(finalPath(handleOf(file)));
}

void Platform::closeFile(int file) {
  if (file >= 0) _close(file);
}

#endif  // _WIN32
