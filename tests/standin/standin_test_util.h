// Conversions shared by the host tests.
#pragma once

#include <ace/SString.h>

#include <cwchar>
#include <string>

// ACE's string built from an empty literal trips a false -Wstringop-overflow in
// GCC; an explicit length does not.
inline ACE_WString wide(const wchar_t* text) {
  return ACE_WString(text, std::wcslen(text));
}

inline ACE_WString wide(const std::string& ascii) {
  const std::wstring text(ascii.begin(), ascii.end());
  return ACE_WString(text.c_str(), text.size());
}

inline std::wstring str(const ACE_WString& s) {
  return std::wstring(s.c_str(), s.length());
}

inline std::string narrow(const ACE_WString& s) {
  return std::string(s.c_str(), s.c_str() + s.length());
}
