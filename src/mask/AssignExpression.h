#pragma once

#include "mask/BinaryExpression.h"

class VariableExpression;

// `=`: rebinds a variable of the store to a copy of the value operand.
class AssignExpression : public BinaryExpression {
 public:
  AssignExpression(std::unique_ptr<Expression> target, std::unique_ptr<Expression> value);

  std::unique_ptr<Expression> clone() const override;
  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;
  int toString(std::wstring& text) const override;
  // Each reads the value operand, then stores it through the target's setter.
  int getString(std::string& text) const override;
  int getDouble(double& value) const override;
  int getBool(bool& value) const override;
  int getLong(int32_t& value) const override;

 private:
  int target(VariableExpression*& variable) const;
};
