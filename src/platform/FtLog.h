#pragma once

#include <QString>
#include <string>

#include "MakoraLog_Static.h"

// Every log line of the component goes through these, so that a line below
// the host's level evaluates none of its arguments.
#define FT_COMPONENT_NAME L"ZRKOrvaneFTServer"
#define FT_MODULE_NAME L"ZRKOrvaneFTServer.dll"

#define FT_LOG_TRACE(cls, ...)                                                                \
  do {                                                                                        \
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::Trace, cls))                            \
      MakoraLog_Static::logTrace_static(FT_COMPONENT_NAME, FT_MODULE_NAME, cls, __VA_ARGS__); \
  } while (0)
#define FT_LOG_INFO(cls, ...)                                                         \
  do {                                                                                \
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::Information, cls))              \
      MakoraLog_Static::logInformation_static(FT_COMPONENT_NAME, FT_MODULE_NAME, cls, \
                                              __VA_ARGS__);                           \
  } while (0)
#define FT_LOG_WARNING(cls, ...)                                                                \
  do {                                                                                          \
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::Warning, cls))                            \
      MakoraLog_Static::logWarning_static(FT_COMPONENT_NAME, FT_MODULE_NAME, cls, __VA_ARGS__); \
  } while (0)
#define FT_LOG_ERROR(cls, ...)                                                                    \
  do {                                                                                            \
    if (MakoraLog_Static::isEnabled(MakoraLog_Static::Error, cls))                                \
      MakoraLog_Static::logError_static(FT_COMPONENT_NAME, FT_MODULE_NAME, cls, -1, __VA_ARGS__); \
  } while (0)

// A QString as the wide C string the logger's %s expects; valid to the end of
// the full expression.
#define FT_W(qstring) (qstring).toStdWString().c_str()
