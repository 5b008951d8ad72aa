#include "mask/ValueConversion.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "mask/ExpressionCodes.h"
#include "platform/Platform.h"

namespace mask {

namespace {

constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kMinMagnitude = kMax + 1;

bool isSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

int digitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

// Shared by both readers: the magnitude is capped just past the 32-bit range
// so that saturation needs no wider type than 64 bits.
int32_t readInteger(const char* p, const char* end, int base) {
  while (p < end && isSpace(*p)) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (base == 16 && end - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
      digitValue(p[2], 16) >= 0)
    p += 2;
  int64_t magnitude = 0;
  for (int d; p < end && (d = digitValue(*p, base)) >= 0; ++p) {
    magnitude = magnitude * base + d;
    if (magnitude > kMinMagnitude) magnitude = kMinMagnitude + 1;
  }
  if (negative)
    return magnitude >= kMinMagnitude ? std::numeric_limits<int32_t>::min()
                                      : static_cast<int32_t>(-magnitude);
  return magnitude > kMax ? static_cast<int32_t>(kMax) : static_cast<int32_t>(magnitude);
}

}  // namespace

constinit thread_local bool tFailureStale = false;

std::string& failure() {
  thread_local std::string reason;
  if (tFailureStale) {
    reason.clear();
    tFailureStale = false;
  }
  return reason;
}

void fail(std::string reason) {
  if (failure().empty()) failure() = std::move(reason);
}

const char* kindName(int32_t nodeKind) {
  static const char* const kNames[] = {"real", "text", "integer", "truth value"};
  const bool value = nodeKind >= kind::kDouble && nodeKind <= kind::kBool;
  return value ? kNames[nodeKind - kind::kDouble] : "operator";
}

int32_t truncToInt32(double value) {
  if (std::isnan(value)) return std::numeric_limits<int32_t>::min();
  const double t = std::trunc(value);
  if (t > static_cast<double>(kMax) || t < -static_cast<double>(kMinMagnitude))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(t);
}

int32_t readHex32(const char* begin, const char* end) {
  return readInteger(begin, end, 16);
}
int32_t readHex32(const char* text) {
  return readInteger(text, text + std::strlen(text), 16);
}
int32_t readDec32(const char* begin, const char* end) {
  return readInteger(begin, end, 10);
}

double readReal(const char* begin, const char* end) {
  return Platform::readCDouble(std::string(begin, end).c_str());
}

}  // namespace mask
