#pragma once

#include "mask/NonTerminalExpression.h"

// An operator or function over one owned operand.
class UnaryExpression : public NonTerminalExpression {
 public:
  explicit UnaryExpression(std::unique_ptr<Expression> operand);

  const Expression* getOperand() const { return operand_.get(); }
  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;

 protected:
  // The result over the operand's value; a kind the node does not take gives -3.
  virtual int apply(const Expression& value, std::unique_ptr<Expression>& out) const = 0;
  // opening, the operand's form, "]"; a missing operand gives -4.
  int printUnary(const wchar_t* opening, std::wstring& text) const;

  std::unique_ptr<Expression> operand_;
};
