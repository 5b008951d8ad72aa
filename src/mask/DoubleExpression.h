#pragma once

#include "mask/ValueExpression.h"

// A real number.
class DoubleExpression : public ValueExpression {
 public:
  explicit DoubleExpression(double value) : ValueExpression(kind::kDouble), value_(value) {}

  double value() const { return value_; }

  std::unique_ptr<Expression> clone() const override;
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;
  int setBool(bool value) override;
  int setString(const char* text) override;
  int setLong(int32_t value) override;
  int setDouble(double value) override;
  int toString(std::wstring& text) const override;

 private:
  double value_;
};
