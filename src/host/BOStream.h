#pragma once

#include <string>

#include "HostApi.h"

// The host's output stream for component self-tests and reports.
class HOST_API BOStream {
 public:
  BOStream& operator<<(const char* text);
  BOStream& operator<<(long value);
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};
