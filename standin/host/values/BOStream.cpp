#include "BOStream.h"

BOStream& BOStream::operator<<(const char* text) {
  if (text != nullptr) text_ += text;
  return *this;
}

BOStream& BOStream::operator<<(long value) {
  text_ += std::to_string(value);
  return *this;
}
