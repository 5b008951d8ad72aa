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
};
