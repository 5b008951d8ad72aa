#include "platform/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <cstring>

#ifdef _WIN32
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

void Platform::setCurrentThreadName(const char* name) {
  ThreadNameInfo info{0x1000, name, GetCurrentThreadId(), 0};
  __try {
    RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                   reinterpret_cast<ULONG_PTR*>(&info));
  } __except (EXCEPTION_EXECUTE_HANDLER) {
  }
}

unsigned long Platform::currentThreadId() { return GetCurrentThreadId(); }

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

#else

void Platform::setCurrentThreadName(const char* name) {
  char shortName[16];  // the kernel keeps 15 characters and the NUL
  std::strncpy(shortName, name, sizeof(shortName) - 1);
  shortName[sizeof(shortName) - 1] = '\0';
  pthread_setname_np(pthread_self(), shortName);
}

unsigned long Platform::currentThreadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }

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

#endif
