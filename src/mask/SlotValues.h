#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "mask/Program.h"

// Slots made from values, and the conversion functions of the mask language.
namespace mask {

inline Slot longSlot(int32_t v, int32_t width) {
  Slot s;
  s.kind = kind::kLong;
  s.bitWidth = width;
  s.integer = v;
  return s;
}
inline Slot realSlot(double v) {
  Slot s;
  s.kind = kind::kDouble;
  s.real = v;
  return s;
}
// The text is cut at its first NUL, as every text of the language.
inline Slot textSlot(const std::string& text) {
  Slot s;
  s.kind = kind::kChar;
  s.text = text.c_str();
  s.length = std::strlen(s.text);
  return s;
}

// Each converts v in place; false, v unchanged, for a kind it does not take.
// Texts made are the thread's scratch texts.
bool hexaToString(Slot& v);
bool hexaToDec(Slot& v);
bool hexaToAscii(Slot& v);
bool stringToLong(Slot& v);

}  // namespace mask
