#include "mask/LongExpression.h"

#include <cstdio>

#include "mask/ValueConversion.h"
#include "platform/Platform.h"

std::unique_ptr<Expression> LongExpression::clone() const {
  return std::make_unique<LongExpression>(value_, bitWidth_);
}

// Upper-case hexadecimal of the 32-bit pattern, no prefix: -1 is FFFFFFFF.
int LongExpression::getString(std::string& text) const {
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "%X", static_cast<unsigned>(value_));
  text = buffer;
  return status::kOk;
}

int LongExpression::getDouble(double& value) const {
  value = value_;
  return status::kOk;
}

int LongExpression::getLong(int32_t& value) const {
  value = value_;
  return status::kOk;
}

int LongExpression::setBool(bool) {
  return status::kUnsupported;
}
int LongExpression::setString(const char*) {
  return status::kUnsupported;
}

int LongExpression::setLong(int32_t value) {
  value_ = value;
  return status::kOk;
}

int LongExpression::setDouble(double value) {
  value_ = mask::truncToInt32(value);
  return status::kOk;
}

int LongExpression::toString(std::wstring& text) const {
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "%d", value_);
  text = Platform::ansiToWide(buffer);
  return status::kOk;
}
