#include "WindowsFormat.h"

#include <locale.h>

#include <algorithm>
#include <clocale>
#include <cwchar>
#include <pugixml.hpp>

namespace {

// First buffer tried, in wide characters: most log lines fit.
constexpr size_t kInitialChars = 512;
// Largest buffer a thread keeps between calls.
constexpr size_t kKeptChars = size_t{1} << 16;
// vswprintf cannot tell "too small" from "cannot format"; stop growing here
// (4 MB of wide characters) and give the message up.
constexpr size_t kMaxChars = size_t{1} << 20;

// The calling thread's UTF-8 character locale, created on first use and freed
// when the thread ends; the global locale is never touched.
class ThreadUtf8Locale {
 public:
  ThreadUtf8Locale() : locale_(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{})) {}
  ~ThreadUtf8Locale() {
    if (locale_ != locale_t{}) freelocale(locale_);
  }
  ThreadUtf8Locale(const ThreadUtf8Locale&) = delete;
  ThreadUtf8Locale& operator=(const ThreadUtf8Locale&) = delete;
  locale_t get() const { return locale_; }

 private:
  locale_t locale_;
};

// Installs the thread's UTF-8 locale for one scope and restores the caller's.
class ScopedUtf8Locale {
 public:
  ScopedUtf8Locale() {
    thread_local ThreadUtf8Locale utf8;
    if (utf8.get() != locale_t{}) previous_ = uselocale(utf8.get());
  }
  ~ScopedUtf8Locale() {
    if (previous_ != locale_t{}) uselocale(previous_);
  }
  ScopedUtf8Locale(const ScopedUtf8Locale&) = delete;
  ScopedUtf8Locale& operator=(const ScopedUtf8Locale&) = delete;

 private:
  locale_t previous_{};
};

bool isFlag(wchar_t c) {
  return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0' || c == L'\'';
}
bool isDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

}  // namespace

// One conversion: '%' flags width precision length conversion, Windows meaning.
std::wstring WindowsFormat::translate(const wchar_t* format) {
  std::wstring out;
  if (format == nullptr) return out;
  const wchar_t* p = format;
  while (*p != L'\0') {
    if (*p != L'%') {
      out += *p++;
      continue;
    }
    const wchar_t* start = p++;
    if (*p == L'%') {
      out += L"%%";
      ++p;
      continue;
    }
    std::wstring conversion = L"%";
    while (isFlag(*p)) conversion += *p++;
    if (*p == L'*') {
      conversion += *p++;
    } else {
      while (isDigit(*p)) conversion += *p++;
    }
    if (*p == L'.') {
      conversion += *p++;
      if (*p == L'*') {
        conversion += *p++;
      } else {
        while (isDigit(*p)) conversion += *p++;
      }
    }
    // Length: the Windows width prefixes become their glibc equivalents; h
    // and l/w also choose narrow or wide for the text conversions.
    std::wstring length;
    bool narrow = false;
    bool wide = false;
    if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
      length = L"ll";
      p += 3;
    } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
      p += 3;
    } else if (p[0] == L'I') {
      length = L"z";
      ++p;
    } else if (p[0] == L'h') {
      narrow = true;
      length = p[1] == L'h' ? L"hh" : L"h";
      p += length.size();
    } else if (p[0] == L'l') {
      wide = true;
      length = p[1] == L'l' ? L"ll" : L"l";
      p += length.size();
    } else if (p[0] == L'w') {
      wide = true;
      length = L"l";
      ++p;
    } else if (p[0] == L'L' || p[0] == L'q' || p[0] == L'j' || p[0] == L'z' || p[0] == L't') {
      length = *p++;
    }
    switch (*p) {
      case L's':
        out += conversion + (narrow ? L"s" : L"ls");
        break;
      case L'S':
        out += conversion + (wide ? L"ls" : L"s");
        break;
      case L'c':
        out += conversion + (narrow ? L"c" : L"lc");
        break;
      case L'C':
        out += conversion + (wide ? L"lc" : L"c");
        break;
      case L'\0':
        // A format cut short prints as written.
        out += L"%%" + std::wstring(start + 1, p);
        continue;
      default:
        out += conversion + length + *p;
        break;
    }
    ++p;
  }
  return out;
}

bool WindowsFormat::vformat(std::wstring& out, const wchar_t* format, va_list args) {
  out.clear();
  if (format == nullptr) return false;
  const std::wstring translated = translate(format);
  ScopedUtf8Locale utf8;
  // Kept per thread so that a thread that writes long lines finds room at once.
  thread_local std::wstring buffer;
  for (size_t size = std::max(buffer.size(), kInitialChars); size <= kMaxChars; size *= 4) {
    buffer.resize(size);
    va_list copy;
    va_copy(copy, args);
    const int written = vswprintf(buffer.data(), buffer.size(), translated.c_str(), copy);
    va_end(copy);
    if (written >= 0) {
      out.assign(buffer.data(), static_cast<size_t>(written));
      if (buffer.size() > kKeptChars) std::wstring().swap(buffer);
      return true;
    }
  }
  std::wstring().swap(buffer);
  return false;
}

bool WindowsFormat::format(std::wstring& out, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const bool ok = vformat(out, format, args);
  va_end(args);
  return ok;
}

std::string WindowsFormat::toUtf8(const std::wstring& text) {
  return pugi::as_utf8(text);
}
