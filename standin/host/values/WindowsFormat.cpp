#include "WindowsFormat.h"

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <cwchar>
#include <pugixml.hpp>

#include "WideText.h"

namespace {

// First buffer tried, in wide characters: most log lines fit.
constexpr size_t kInitialChars = 512;
// Largest buffer a thread keeps between calls.
constexpr size_t kKeptChars = size_t{1} << 16;
// Growth stops here (4 MB of wide characters) and the message is given up.
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

// UTF-8 to wide text; a byte that starts no valid sequence stands for itself, as in Latin-1,
// so that no byte of a logged argument is lost.
std::wstring decodeLenient(const char* text) {
  if (text == nullptr) return L"(null)";
  std::wstring out;
  for (size_t at = 0, size = std::strlen(text); at < size;) {
    char32_t code = 0;
    const size_t length = utf8Length(text + at, size - at, code);
    out += static_cast<wchar_t>(length > 0 ? code : static_cast<unsigned char>(text[at]));
    at += length > 0 ? length : 1;
  }
  return out;
}

// One conversion of a glibc wide format with its argument, appended to out.
template <class T>
bool appendPiece(std::wstring& out, const std::wstring& directive, T value) {
  std::wstring buffer;
  for (size_t size = kInitialChars; size <= kMaxChars; size *= 4) {
    buffer.resize(size);
    errno = 0;
    const int written = swprintf(buffer.data(), buffer.size(), directive.c_str(), value);
    if (written >= 0) {
      out.append(buffer.data(), static_cast<size_t>(written));
      return true;
    }
    if (errno == EILSEQ) break;
  }
  return false;
}

bool isSpecFlag(wchar_t c) {
  return c != L'\0' && std::wcschr(L"-+ #0'", c) != nullptr;
}
bool isLength(wchar_t c) {
  return c != L'\0' && std::wcschr(L"hlLqjzt", c) != nullptr;
}

// '%' with the flags, width and precision at p, the '*' ones taken from args; p is left on the
// length.
std::wstring readDirective(const wchar_t*& p, va_list* args) {
  std::wstring directive = L"%";
  while (isSpecFlag(*p)) directive += *p++;
  if (*p == L'*') {
    directive += std::to_wstring(va_arg(*args, int));  // a negative width left-justifies
    ++p;
  }
  while (isDigit(*p)) directive += *p++;
  if (*p == L'.') {
    ++p;
    if (*p == L'*') {
      const int precision = va_arg(*args, int);
      if (precision >= 0) directive += L"." + std::to_wstring(precision);  // negative: none
      ++p;
    } else {
      directive += L'.';
      while (isDigit(*p)) directive += *p++;
    }
  }
  return directive;
}

bool isLongArgument(const std::wstring& length) {
  return length == L"l" || length == L"z" || length == L"j" || length == L"t";
}

bool appendSigned(std::wstring& out, const std::wstring& directive, const std::wstring& length,
                  va_list* args) {
  const std::wstring piece = directive + L"lld";
  if (length == L"ll" || length == L"q") return appendPiece(out, piece, va_arg(*args, long long));
  if (isLongArgument(length))
    return appendPiece(out, piece, static_cast<long long>(va_arg(*args, long)));
  return appendPiece(out, piece, static_cast<long long>(va_arg(*args, int)));
}

bool appendUnsigned(std::wstring& out, const std::wstring& directive, const std::wstring& length,
                    wchar_t conversion, va_list* args) {
  using Wide = unsigned long long;
  const std::wstring piece = directive + L"ll" + conversion;
  if (length == L"ll" || length == L"q") return appendPiece(out, piece, va_arg(*args, Wide));
  if (isLongArgument(length))
    return appendPiece(out, piece, static_cast<Wide>(va_arg(*args, unsigned long)));
  if (length == L"h")
    return appendPiece(out, piece,
                       static_cast<Wide>(static_cast<unsigned short>(va_arg(*args, unsigned))));
  if (length == L"hh")
    return appendPiece(out, piece,
                       static_cast<Wide>(static_cast<unsigned char>(va_arg(*args, unsigned))));
  return appendPiece(out, piece, static_cast<Wide>(va_arg(*args, unsigned)));
}

// %s and %c: narrow arguments are decoded, wide ones taken as they are.
bool appendText(std::wstring& out, const std::wstring& directive, bool isLong, wchar_t conversion,
                va_list* args) {
  if (conversion == L'c')
    return appendPiece(out, directive + L"lc",
                       isLong
                           ? va_arg(*args, wint_t)
                           : static_cast<wint_t>(static_cast<unsigned char>(va_arg(*args, int))));
  if (!isLong)
    return appendPiece(out, directive + L"ls", decodeLenient(va_arg(*args, const char*)).c_str());
  const wchar_t* text = va_arg(*args, const wchar_t*);
  return appendPiece(out, directive + L"ls", text != nullptr ? text : L"(null)");
}

// One conversion with its argument from args, appended to out; false for one that fails or
// that glibc does not know.
bool appendConversion(std::wstring& out, const std::wstring& directive, const std::wstring& length,
                      wchar_t conversion, va_list* args) {
  switch (conversion) {
    case L'd':
    case L'i':
      return appendSigned(out, directive, length, args);
    case L'o':
    case L'u':
    case L'x':
    case L'X':
      return appendUnsigned(out, directive, length, conversion, args);
    case L'c':
    case L's':
      return appendText(out, directive, length == L"l", conversion, args);
    case L'e':
    case L'E':
    case L'f':
    case L'F':
    case L'g':
    case L'G':
    case L'a':
    case L'A':
      if (length == L"L")
        return appendPiece(out, directive + L"L" + conversion, va_arg(*args, long double));
      return appendPiece(out, directive + conversion, va_arg(*args, double));
    case L'p':
      return appendPiece(out, directive + L"p", va_arg(*args, void*));
    case L'n':
      (void)va_arg(*args, void*);  // nothing is written back
      return true;
    default:
      return false;
  }
}

// The glibc format taken one conversion at a time, so that a narrow text that is
// not UTF-8 (which makes vswprintf give up on the whole line) can be decoded leniently.
bool formatPieces(std::wstring& out, const std::wstring& format, va_list args) {
  out.clear();
  // A copy of our own, so that the steps below may take arguments through a pointer to it.
  va_list rest;
  va_copy(rest, args);
  bool ok = true;
  const wchar_t* p = format.c_str();
  while (ok && *p != L'\0') {
    if (*p != L'%') {
      out += *p++;
      continue;
    }
    if (p[1] == L'%') {
      out += L'%';
      p += 2;
      continue;
    }
    ++p;
    const std::wstring directive = readDirective(p, &rest);
    std::wstring length;
    while (isLength(*p)) length += *p++;
    const wchar_t conversion = *p++;
    ok = appendConversion(out, directive, length, conversion, &rest);
  }
  va_end(rest);
  return ok;
}

// A Windows length prefix in glibc's form; h and l/w also choose narrow or wide for the text
// conversions.
struct Length {
  std::wstring glibc;
  bool narrow = false;
  bool wide = false;
};

Length readWindowsLength(const wchar_t*& p) {
  Length length;
  if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
    length.glibc = L"ll";
    p += 3;
  } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
    p += 3;
  } else if (p[0] == L'I') {
    length.glibc = L"z";
    ++p;
  } else if (p[0] == L'h') {
    length.narrow = true;
    length.glibc = p[1] == L'h' ? L"hh" : L"h";
    p += length.glibc.size();
  } else if (p[0] == L'l') {
    length.wide = true;
    length.glibc = p[1] == L'l' ? L"ll" : L"l";
    p += length.glibc.size();
  } else if (p[0] == L'w') {
    length.wide = true;
    length.glibc = L"l";
    ++p;
  } else if (p[0] == L'L' || p[0] == L'q' || p[0] == L'j' || p[0] == L'z' || p[0] == L't') {
    length.glibc = *p++;
  }
  return length;
}

// Flags, width and precision at p as written, '*' kept.
std::wstring readDirective(const wchar_t*& p) {
  std::wstring directive = L"%";
  while (isFlag(*p)) directive += *p++;
  if (*p == L'*') {
    directive += *p++;
  } else {
    while (isDigit(*p)) directive += *p++;
  }
  if (*p == L'.') {
    directive += *p++;
    if (*p == L'*') {
      directive += *p++;
    } else {
      while (isDigit(*p)) directive += *p++;
    }
  }
  return directive;
}

std::wstring glibcConversion(const Length& length, wchar_t conversion) {
  switch (conversion) {
    case L's':
      return length.narrow ? L"s" : L"ls";
    case L'S':
      return length.wide ? L"ls" : L"s";
    case L'c':
      return length.narrow ? L"c" : L"lc";
    case L'C':
      return length.wide ? L"lc" : L"c";
    default:
      return length.glibc + conversion;
  }
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
    const std::wstring directive = readDirective(p);
    const Length length = readWindowsLength(p);
    if (*p == L'\0') {
      // A format cut short prints as written.
      out += L"%%" + std::wstring(start + 1, p);
      continue;
    }
    out += directive + glibcConversion(length, *p++);
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
    errno = 0;
    const int written = vswprintf(buffer.data(), buffer.size(), translated.c_str(), copy);
    va_end(copy);
    if (written >= 0) {
      out.assign(buffer.data(), static_cast<size_t>(written));
      if (buffer.size() > kKeptChars) std::wstring().swap(buffer);
      return true;
    }
    // A text that is not UTF-8 fails at any size (glibc leaves errno alone
    // when the buffer is merely short): growing would only clear megabytes.
    if (errno == EILSEQ) break;
  }
  std::wstring().swap(buffer);
  va_list copy;
  va_copy(copy, args);
  const bool formatted = formatPieces(out, translated, copy);
  va_end(copy);
  if (!formatted) out.clear();
  return formatted;
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
