#pragma once

#include "mask/BinaryExpression.h"

// `+`, `-`, `*`, `/`: two integers give an integer (wrapping at 32 bits) with
// the larger bit width of the two; a real operand makes the result real; `+`
// also joins two texts.
class ArithmeticExpression : public BinaryExpression {
 public:
  enum Code { kAdd, kSub, kMult, kDiv };

  ArithmeticExpression(Code code, Node left, Node right);

  mask::Program::Code operation() const override;
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;

 private:
  template <class T>
  int calculate(T a, T b, T& out) const;

  const Code code_;
};

class AddExpression final
    : public Operator<AddExpression, ArithmeticExpression, ArithmeticExpression::kAdd> {
 public:
  using Operator::Operator;
};

// `-` with a left operand.
class SubExpression final
    : public Operator<SubExpression, ArithmeticExpression, ArithmeticExpression::kSub> {
 public:
  using Operator::Operator;
};

class MultExpression final
    : public Operator<MultExpression, ArithmeticExpression, ArithmeticExpression::kMult> {
 public:
  using Operator::Operator;
};

// An integer quotient is truncated toward zero; a zero divisor of either kind is refused.
class DivExpression final
    : public Operator<DivExpression, ArithmeticExpression, ArithmeticExpression::kDiv> {
 public:
  using Operator::Operator;
};
