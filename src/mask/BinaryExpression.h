#pragma once

#include "mask/NonTerminalExpression.h"

// An operator over two owned operands, printed as its opening text, the two
// operands and "]".
class BinaryExpression : public NonTerminalExpression {
 public:
  BinaryExpression(const wchar_t* opening, Node left, Node right);

  const Expression* operand(int index) const override;
  int toString(std::wstring& text) const override;
  std::string symbol() const override;

 protected:
  template <class Self>
  Node copy() const {
    return std::make_unique<Self>(cloneOf(left_), cloneOf(right_));
  }
  // Comparisons and logical operators print a missing operand as nothing;
  // the others fail with -4.
  virtual bool printsMissingAsEmpty() const { return false; }

  // Accessor rule of operator nodes: both operands read the same way, then
  // combined by take, which writes the answer and gives the status.
  template <class T, class Take>
  int readBoth(int (Expression::*read)(T&) const, Take take) const {
    if (!left_ || !right_) return status::kMissingOperand;
    T a{};
    T b{};
    int s = (left_.get()->*read)(a);
    if (s >= 0) s = (right_.get()->*read)(b);
    return s < 0 ? s : take(a, b);
  }
  // getDouble of an operator whose value is always an integer: its getLong, widened.
  int longAsDouble(double& value) const;

  const wchar_t* const opening_;
  Node left_;
  Node right_;
};
