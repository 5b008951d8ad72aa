#pragma once

#include <memory>
#include <string>

#include "mask/Expression.h"
#include "mask/Program.h"

// Operators and functions: nodes that own operand nodes (which may be missing).
class NonTerminalExpression : public Expression {
 public:
  NonTerminalExpression() : Expression(kind::kOperator) {}

  // What the compiler emits for the node: its operation, and its operands in
  // order (null when missing or past the last).
  virtual mask::Program::Code operation() const = 0;
  virtual const Expression* operand(int index) const = 0;
  // How the operator is written, for messages.
  virtual std::string symbol() const = 0;

 protected:
  static Node cloneOf(const Node& node);
  // The operand's printable form; a missing operand prints as nothing or fails with -4.
  static int printOperand(const Node& node, bool missingAsEmpty, std::wstring& text);
};

// What every operator class of a family writes alike: it is built over its
// operands with its family's code, and copies itself over copies of them.
template <class Self, class Family, auto code>
class Operator : public Family {
 public:
  template <class... Operands>
  explicit Operator(Operands... operands) : Family(code, std::move(operands)...) {}
  Node clone() const override { return this->template copy<Self>(); }
};
