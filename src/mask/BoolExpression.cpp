#include "mask/BoolExpression.h"

std::unique_ptr<Expression> BoolExpression::clone() const {
  return std::make_unique<BoolExpression>(value_);
}

int BoolExpression::getDouble(double& value) const {
  value = value_ ? 1.0 : 0.0;
  return status::fromTruth(value_);
}

int BoolExpression::getBool(bool& value) const {
  value = value_;
  return status::fromTruth(value_);
}

int BoolExpression::getLong(int32_t& value) const {
  value = value_ ? 1 : 0;
  return status::fromTruth(value_);
}

int BoolExpression::setBool(bool value) {
  value_ = value;
  return status::kOk;
}

int BoolExpression::setString(const char*) {
  return status::kUnsupported;
}
int BoolExpression::setLong(int32_t) {
  return status::kUnsupported;
}
int BoolExpression::setDouble(double) {
  return status::kUnsupported;
}

int BoolExpression::toString(std::wstring& text) const {
  text = value_ ? L"true" : L"false";
  return status::kOk;
}
