#include "mask/SlotValues.h"

#include <cstdio>
#include <vector>

#include "BByteArray.h"
#include "mask/ValueConversion.h"

namespace mask {

// Width rule: bitWidth/8 bytes rounded up, two digits each, at most 8
// characters; width 0 prints the value without leading zeros.
bool hexaToString(Slot& v) {
  if (v.kind != kind::kLong || v.bitWidth > 32) return false;
  const int digits = v.bitWidth > 0 ? 2 * ((v.bitWidth + 7) / 8) : 0;
  char buffer[9];
  std::snprintf(buffer, sizeof(buffer), "%0*X", digits, static_cast<unsigned>(v.integer));
  v = textSlot(ScratchTexts::ofThisThread().next().assign(buffer));
  return true;
}

// A text is read in base 16 with 32-bit saturation, an integer taken as it
// is; the result is a decimal text, not a number.
bool hexaToDec(Slot& v) {
  int32_t number = 0;
  if (v.kind == kind::kChar)
    number = readHex32(v.text, v.text + v.length);
  else if (v.kind == kind::kLong)
    number = v.integer;
  else
    return false;
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "%d", number);
  v = textSlot(ScratchTexts::ofThisThread().next().assign(buffer));
  return true;
}

// An integer is printed in hexadecimal and padded to an even digit count; the
// host's byte array decodes the digits pairwise.
bool hexaToAscii(Slot& v) {
  std::string hex;
  if (v.kind == kind::kLong) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%X", static_cast<unsigned>(v.integer));
    hex = buffer;
    if (hex.size() % 2 != 0) hex.insert(hex.begin(), '0');
  } else if (v.kind == kind::kChar) {
    hex.assign(v.text, v.length);
  } else {
    return false;
  }
  const BByteArray bytes(hex.c_str());
  const std::vector<unsigned char>& array = bytes.getArray();
  v = textSlot(ScratchTexts::ofThisThread().next().assign(array.begin(), array.end()));
  return true;
}

bool stringToLong(Slot& v) {
  if (v.kind != kind::kChar) return false;
  v = longSlot(readHex32(v.text, v.text + v.length), 32);
  return true;
}

}  // namespace mask
