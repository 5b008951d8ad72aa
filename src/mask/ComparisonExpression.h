#pragma once

#include "mask/BinaryExpression.h"

// The six comparisons: one rule keyed by the operator's code, a truth value
// as result (status 1 true, 2 false).
class ComparisonExpression : public BinaryExpression {
 public:
  ComparisonExpression(Code code, std::unique_ptr<Expression> left,
                       std::unique_ptr<Expression> right)
      : BinaryExpression(std::move(left), std::move(right)), code_(code) {}

  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;
  int toString(std::wstring& text) const override;
  int getString(std::string& text) const override;
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;

 protected:
  int combine(const Expression& left, const Expression& right,
              std::unique_ptr<Expression>& out) const override;

  const Code code_;
};
