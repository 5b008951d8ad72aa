#pragma once

#include "mask/ValueExpression.h"

// A truth value. Its numeric readings answer 1 for true and 2 for false.
class BoolExpression : public ValueExpression {
 public:
  explicit BoolExpression(bool value) : ValueExpression(kind::kBool), value_(value) {}

  bool value() const { return value_; }

  std::unique_ptr<Expression> clone() const override;
  int getDouble(double& value) const override;
  int getBool(bool& value) const override;
  int getLong(int32_t& value) const override;
  int setBool(bool value) override;
  int setString(const char* text) override;
  int setLong(int32_t value) override;
  int setDouble(double value) override;
  int toString(std::wstring& text) const override;

 private:
  bool value_;
};
