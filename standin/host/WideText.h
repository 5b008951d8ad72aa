#pragma once

#include <ace/SString.h>

#include <string>

// The host's wide strings and the standard ones hold the same text; the
// standard form is what the services key their maps on.
inline std::wstring stdWide(const ACE_WString& text) {
  return std::wstring(text.c_str(), text.length());
}

inline ACE_WString aceWide(const std::wstring& text) {
  return ACE_WString(text.c_str(), text.size());
}
