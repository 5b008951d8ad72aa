#pragma once

#include "mask/BinaryExpression.h"

// `&&`: a false left operand decides without evaluating the right one.
class AndExpression : public BinaryExpression {
 public:
  using BinaryExpression::BinaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;
  int toString(std::wstring& text) const override;
  int getBool(bool& value) const override;
};
