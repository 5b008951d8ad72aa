#pragma once

#include <cstdint>

// Number rules of the mask language. Values are 32-bit whatever the host's
// long is, and arithmetic wraps in two's complement instead of overflowing.
namespace mask {

// Truncation toward zero; NaN and out-of-range values give INT32_MIN, as the
// processor's own conversion does.
int32_t truncToInt32(double value);

// Base-16 reading in the manner of the C library: leading white space, an
// optional sign and "0x"/"0X", digits up to the first foreign character, and
// saturation at the 32-bit bounds. No digit gives 0.
int32_t readHex32(const char* begin, const char* end);
int32_t readHex32(const char* text);

// Decimal reading in the manner of atol, saturating at the 32-bit bounds.
int32_t readDec32(const char* begin, const char* end);

// Decimal reading in the manner of atof, independent of the process locale.
double readReal(const char* begin, const char* end);

inline int32_t wrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t wrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t wrapNeg(int32_t a) {
  return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
}
// Truncating quotient; the one quotient that does not fit (INT32_MIN / -1) wraps.
// The divisor must not be 0.
inline int32_t wrapDiv(int32_t a, int32_t b) {
  return b == -1 ? wrapNeg(a) : a / b;
}

}  // namespace mask
