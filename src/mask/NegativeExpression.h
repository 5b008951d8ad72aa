#pragma once

#include "mask/UnaryExpression.h"

// Unary `-`: negates an integer (wrapping, same bit width) or a real.
class NegativeExpression : public UnaryExpression {
 public:
  using UnaryExpression::UnaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int toString(std::wstring& text) const override;
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;

 protected:
  int apply(const Expression& value, std::unique_ptr<Expression>& out) const override;
};
