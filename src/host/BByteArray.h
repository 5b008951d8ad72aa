#pragma once

#include <ace/SString.h>

#include <vector>

#include "HostApi.h"

// A byte array value of the host.
class HOST_API BByteArray {
 public:
  BByteArray();
  explicit BByteArray(const std::vector<unsigned char>& bytes);
  // Two hexadecimal digits per byte, first digit high, either case. Decoding
  // stops at the first pair that is not two hexadecimal digits.
  explicit BByteArray(const char* hexText);
  ~BByteArray();

  // Upper-case hexadecimal digits without separators.
  int getString(ACE_WString& text) const;
  const std::vector<unsigned char>& getArray() const { return bytes_; }

 private:
  std::vector<unsigned char> bytes_;
};
