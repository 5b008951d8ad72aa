#pragma once

#include <ace/SString.h>

#include "HostApi.h"

class HOST_API ZrkUtils {
 public:
  // printf-style formatting with the Windows convention of the logger (%s wide).
  static ACE_WString wideSprintf(const wchar_t* format, ...);
};
