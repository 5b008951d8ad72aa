#pragma once

#include "mask/TerminalExpression.h"

// A constant: evaluating it gives a copy of itself, always constant.
class ValueExpression : public TerminalExpression {
 public:
  using TerminalExpression::TerminalExpression;

  bool isValue() const override { return true; }
  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;

  int setBool(bool value) override;
  int setString(const char* text) override;
  int setLong(int32_t value) override;
  int setDouble(double value) override;
};
