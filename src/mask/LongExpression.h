#pragma once

#include "mask/ValueExpression.h"

// A 32-bit integer. bitWidth is the number of significant bits, which only
// $HexaToString$ reads: 32 for literals, 0 for variables loaded from the host.
class LongExpression : public ValueExpression {
 public:
  explicit LongExpression(int32_t value, int32_t bitWidth = 32)
      : ValueExpression(kind::kLong), value_(value), bitWidth_(bitWidth) {}

  int32_t value() const { return value_; }
  int32_t bitWidth() const { return bitWidth_; }

  std::unique_ptr<Expression> clone() const override;
  int getString(std::string& text) const override;
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;
  int setBool(bool value) override;
  int setString(const char* text) override;
  int setLong(int32_t value) override;
  int setDouble(double value) override;
  int toString(std::wstring& text) const override;

 private:
  int32_t value_;
  int32_t bitWidth_;
};
