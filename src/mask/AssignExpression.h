#pragma once

#include "mask/BinaryExpression.h"
#include "mask/VariableExpression.h"

// `=`: rebinds a variable of the store to a copy of the value operand.
class AssignExpression final : public ReadsAlike<AssignExpression, BinaryExpression> {
 public:
  AssignExpression(Node target, Node value);

  Node clone() const override { return copy<AssignExpression>(); }
  mask::Program::Code operation() const override { return mask::Program::kAssign; }
  // Accessor rule: the value operand read, then stored through the target's setter.
  template <class T>
  int read(int (Expression::*get)(T&) const, T& value) const {
    VariableExpression* variable = nullptr;
    int s = target(variable);
    if (s >= 0) s = (right_.get()->*get)(value);
    if (s < 0) return s;
    const int set = variable->setValue(value);
    return set < 0 ? set : s;
  }

 private:
  int target(VariableExpression*& variable) const;
};
