#include "ZrkUtils.h"

#include <cstdarg>
#include <string>

#include "WideText.h"
#include "WindowsFormat.h"

ACE_WString ZrkUtils::wideSprintf(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text;
  WindowsFormat::vformat(text, format, args);
  va_end(args);
  return aceWide(text);
}
