#pragma once

#include "mask/NonTerminalExpression.h"

// An operator or function over one owned operand.
class UnaryExpression : public NonTerminalExpression {
 public:
  UnaryExpression(wchar_t symbol, Node operand);

  // The unary rule: the operand's status passes through, so constness does too.
  int evaluateLent(OperandValue& value, bool fold) override;
  // "[", the symbol, ", ", the operand's form, "]"; a missing operand gives -4.
  int toString(std::wstring& text) const override;
  std::string symbol() const override { return std::string(1, static_cast<char>(symbol_)); }

 protected:
  template <class Self>
  Node copy() const {
    return std::make_unique<Self>(cloneOf(operand_));
  }
  // The result over the operand's value, into out; a kind the node does not take gives -3.
  virtual int apply(const Expression& value, Node& out) const = 0;
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
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;

 private:
  int apply(const Expression& value, Node& out) const override;
};

// `!`: logical negation of a truth value. Its status is the operand's, not
// inverted: over a comparison it reports the comparison's own 1 or 2.
class NotExpression final : public Operator<NotExpression, UnaryExpression, L'!'> {
 public:
  using Operator::Operator;
  int getBool(bool& value) const override;

 private:
  int apply(const Expression& value, Node& out) const override;
};
