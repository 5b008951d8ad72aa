#pragma once

#include "mask/BinaryExpression.h"

// `!=`: comparison giving a truth value (status 1 true, 2 false).
class DifferentExpression : public BinaryExpression {
 public:
  using BinaryExpression::BinaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;
  int toString(std::wstring& text) const override;
  int getBool(bool& value) const override;
  int getString(std::string& text) const override;
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;

 protected:
  int combine(const Expression& left, const Expression& right,
              std::unique_ptr<Expression>& out) const override;
};
