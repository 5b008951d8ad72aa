#pragma once

#include "mask/NonTerminalExpression.h"

// An operator or function over one owned operand.
class UnaryExpression : public NonTerminalExpression {
 public:
  UnaryExpression(wchar_t symbol, Node operand);

  const Expression* operand(int index) const override {
    return index == 0 ? operand_.get() : nullptr;
  }
  // "[", the symbol, ", ", the operand's form, "]"; a missing operand gives -4.
  int toString(std::wstring& text) const override;
  std::string symbol() const override { return std::string(1, static_cast<char>(symbol_)); }

 protected:
  template <class Self>
  Node copy() const {
    return std::make_unique<Self>(cloneOf(operand_));
  }
  // Accessor rule: the operand read, then the operator over it.
  template <class T, class F>
  int readOperand(int (Expression::*read)(T&) const, T& value, F op) const {
    if (!operand_) return status::kMissingOperand;
    T v{};
    const int s = (operand_.get()->*read)(v);
    if (s < 0) return s;
    value = op(v);
    return status::kOk;
  }

  const wchar_t symbol_;
  Node operand_;
};

// Unary `-`: negates an integer (wrapping, same bit width) or a real.
class NegativeExpression final : public Operator<NegativeExpression, UnaryExpression, L'-'> {
 public:
  using Operator::Operator;
  mask::Program::Code operation() const override { return mask::Program::kNegative; }
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;
};

// `!`: logical negation of a truth value. Its status is the operand's, not
// inverted: over a comparison it reports the comparison's own 1 or 2.
class NotExpression final : public Operator<NotExpression, UnaryExpression, L'!'> {
 public:
  using Operator::Operator;
  mask::Program::Code operation() const override { return mask::Program::kNot; }
  int getBool(bool& value) const override;
};
