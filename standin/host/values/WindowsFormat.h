#pragma once

#include <cstdarg>
#include <string>

// printf formatting with the Windows wide convention the component writes its
// messages in (%s wide, %S narrow), on top of glibc's vswprintf.
class WindowsFormat {
 public:
  // The glibc form of a Windows wide format: %s/%ws -> %ls, %S/%hs -> %s,
  // %c -> %lc, %C -> %c, %I64d -> %lld; flags, width, precision, '*' and %% kept.
  static std::wstring translate(const wchar_t* format);
  // Formats in a per-thread UTF-8 locale (narrow arguments are UTF-8). False
  // when the arguments cannot be formatted; out is then empty.
  static bool vformat(std::wstring& out, const wchar_t* format, va_list args);
  static bool format(std::wstring& out, const wchar_t* format, ...);
  // Wide text to UTF-8.
  static std::string toUtf8(const std::wstring& text);
};
