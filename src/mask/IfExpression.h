#pragma once

#include "mask/TernaryExpression.h"

// `c ? a : b`: condition, then-part and the optional else-part.
class IfExpression : public TernaryExpression {
 public:
  using TernaryExpression::TernaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;
  int toString(std::wstring& text) const override;
  // Each reads the branch the condition selects; no else-part gives 0.
  int getString(std::string& text) const override;
  int getDouble(double& value) const override;
  int getBool(bool& value) const override;
  int getLong(int32_t& value) const override;

 private:
  int branch(const Expression*& selected) const;
};
