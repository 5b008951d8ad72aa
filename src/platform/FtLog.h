#pragma once

#include <QString>
#include <string>

#include "MakoraLog_Static.h"

// Every log line of the component goes through these, so that a line below
// the host's level evaluates none of its arguments.
#define FT_COMPONENT_NAME L"ZRKOrvaneFTServer"
#define FT_MODULE_NAME L"ZRKOrvaneFTServer.dll"

// One line through the logger's call write, when level lets cls through.
#define FT_LOG_AT(level, write, cls, ...)                                           \
  do {                                                                              \
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::level, cls))                  \
      MakoraLog_Static::write(FT_COMPONENT_NAME, FT_MODULE_NAME, cls, __VA_ARGS__); \
  } while (0)
#define FT_LOG_TRACE(cls, ...) FT_LOG_AT(Trace, logTrace_static, cls, __VA_ARGS__)
#define FT_LOG_INFO(cls, ...) FT_LOG_AT(Information, logInformation_static, cls, __VA_ARGS__)
#define FT_LOG_WARNING(cls, ...) FT_LOG_AT(Warning, logWarning_static, cls, __VA_ARGS__)
#define FT_LOG_ERROR(cls, ...) FT_LOG_AT(Error, logError_static, cls, -1, __VA_ARGS__)

// A QString as the wide C string the logger's %s expects; valid to the end of
// the full expression.
#define FT_W(qstring) (qstring).toStdWString().c_str()
