#pragma once

#include "HostApi.h"

// The host logger. Formats follow the Windows wide printf convention: %s is a
// wide text, %S a narrow one. A call below the current level formats nothing.
class HOST_API MakoraLog_Static {
 public:
  enum Level { Trace = 0, Information = 1, Warning = 2, Error = 3 };

  static bool isEnabled(Level level);
  // The same for one logging class: a level may let one class's lines through
  // (the host's request log shows the information lines of "RequestLog").
  static bool isEnabled(Level level, const wchar_t* className);
  static void logTrace_static(const wchar_t* component, const wchar_t* module,
                              const wchar_t* className, const wchar_t* format, ...);
  static void logInformation_static(const wchar_t* component, const wchar_t* module,
                                    const wchar_t* className, const wchar_t* format, ...);
  static void logWarning_static(const wchar_t* component, const wchar_t* module,
                                const wchar_t* className, const wchar_t* format, ...);
  static void logError_static(const wchar_t* component, const wchar_t* module,
                              const wchar_t* className, int code, const wchar_t* format, ...);
};
