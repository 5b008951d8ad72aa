#include "mask/DoubleExpression.h"

#include <cstdio>

#include "mask/ValueConversion.h"
#include "platform/Platform.h"

std::unique_ptr<Expression> DoubleExpression::clone() const {
  return std::make_unique<DoubleExpression>(value_);
}

int DoubleExpression::getDouble(double& value) const {
  value = value_;
  return status::kOk;
}

int DoubleExpression::getLong(int32_t& value) const {
  value = mask::truncToInt32(value_);
  return status::kOk;
}

int DoubleExpression::setBool(bool) {
  return status::kUnsupported;
}
int DoubleExpression::setString(const char*) {
  return status::kUnsupported;
}

int DoubleExpression::setLong(int32_t value) {
  value_ = value;
  return status::kOk;
}

int DoubleExpression::setDouble(double value) {
  value_ = value;
  return status::kOk;
}

// Right-aligned in 24 columns with 10 decimals; wider values are cut at 24.
int DoubleExpression::toString(std::wstring& text) const {
  char buffer[25];
  std::snprintf(buffer, sizeof(buffer), "%24.10f", value_);
  text = Platform::ansiToWide(buffer);
  return status::kOk;
}
