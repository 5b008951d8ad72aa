#pragma once

#include "mask/BinaryExpression.h"

// `-` with a left operand: integer difference wrapping at 32 bits, or real difference.
class SubExpression : public BinaryExpression {
 public:
  using BinaryExpression::BinaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;
  int toString(std::wstring& text) const override;
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;

 protected:
  int combine(const Expression& left, const Expression& right,
              std::unique_ptr<Expression>& out) const override;
};
