#pragma once

#include "mask/BinaryExpression.h"

class VariableExpression;

// `=`: rebinds a variable of the store to a copy of the value operand.
class AssignExpression final : public BinaryExpression {
 public:
  AssignExpression(Node target, Node value);

  Node clone() const override { return copy<AssignExpression>(); }
  int evaluate(Node& out, bool fold) override;
  // Each reads the value operand, then stores it through the target's setter.
  int getString(std::string& text) const override;
  int getDouble(double& value) const override;
  int getBool(bool& value) const override;
  int getLong(int32_t& value) const override;

 private:
  int target(VariableExpression*& variable) const;
  template <class T, class Store>
  int readAndStore(int (Expression::*read)(T&) const, T& value, Store store) const;
};
