#include "MakoraLog_Static.h"

#include <cstdarg>
#include <cwchar>
#include <string>

#include "StandinLogState.h"
#include "WindowsFormat.h"

namespace {

// StandinLog::kRequestClass as the component passes it.
constexpr wchar_t kRequestClass[] = L"RequestLog";

std::string narrow(const wchar_t* text) {
  return text != nullptr ? WindowsFormat::toUtf8(std::wstring(text)) : std::string();
}

void writeLine(MakoraLog_Static::Level level, const wchar_t* className, const wchar_t* format,
               va_list args) {
  std::wstring message;
  std::string text;
  if (WindowsFormat::vformat(message, format, args))
    text = WindowsFormat::toUtf8(message);
  else
    text = "(unformattable) " + narrow(format);
  StandinLogState::instance().write(level, narrow(className), text);
}

}  // namespace

bool MakoraLog_Static::isEnabled(Level level) {
  return level >= StandinLogState::instance().level();
}

bool MakoraLog_Static::isEnabled(Level level, const wchar_t* className) {
  const StandinLogState& state = StandinLogState::instance();
  // The class is compared only where it can matter: the trace lines of every
  // request would otherwise each pay for it.
  if (level >= state.level()) return true;
  return level == Information && className != nullptr &&
         std::wcscmp(className, kRequestClass) == 0 && state.wanted(level, true);
}

#define MAKORA_LOG_BODY(level)               \
  if (!isEnabled(level, className)) return;  \
  va_list args;                              \
  va_start(args, format);                    \
  writeLine(level, className, format, args); \
  va_end(args)

void MakoraLog_Static::logTrace_static(const wchar_t*, const wchar_t*, const wchar_t* className,
                                       const wchar_t* format, ...) {
  MAKORA_LOG_BODY(Trace);
}

void MakoraLog_Static::logInformation_static(const wchar_t*, const wchar_t*,
                                             const wchar_t* className, const wchar_t* format, ...) {
  MAKORA_LOG_BODY(Information);
}

void MakoraLog_Static::logWarning_static(const wchar_t*, const wchar_t*, const wchar_t* className,
                                         const wchar_t* format, ...) {
  MAKORA_LOG_BODY(Warning);
}

void MakoraLog_Static::logError_static(const wchar_t*, const wchar_t*, const wchar_t* className,
                                       int, const wchar_t* format, ...) {
  MAKORA_LOG_BODY(Error);
}
