#pragma once

#include <memory>
#include <string>

#include "mask/Expression.h"
#include "mask/OperandValue.h"

// Operators and functions: nodes that own operand nodes (which may be missing).
class NonTerminalExpression : public Expression {
 public:
  NonTerminalExpression() : Expression(kind::kOperator) {}

  // True when evaluating this subtree may rebind variables (it holds an
  // assignment). Folding only ever removes assignments, so it stays safe.
  bool mayAssign() const { return assigns_; }
  static bool mayAssign(const std::unique_ptr<Expression>& node);

 protected:
  // Lending skips the copy of a variable's value; only safe when the value is
  // used before anything else is evaluated.
  enum class Use { kCopy, kLend };

  static int evaluateOperand(std::unique_ptr<Expression>& slot, bool fold, Use use,
                             OperandValue& value);
  // With fold set, a constant operand's value replaces the operand's subtree.
  static void keep(std::unique_ptr<Expression>& slot, OperandValue& value, int status, bool fold);
  // The value as a node of its own, for an operator whose result is an operand's value.
  static std::unique_ptr<Expression> take(OperandValue& value);
  static std::unique_ptr<Expression> cloneOf(const std::unique_ptr<Expression>& node);
  // The operand's printable form; a missing operand prints as nothing or fails with -4.
  static int printOperand(const std::unique_ptr<Expression>& node, bool missingAsEmpty,
                          std::wstring& text);

  static bool isNumber(const Expression& value);
  static double numberAsDouble(const Expression& value);
  static int32_t numberAsInt32(const Expression& value);

  bool assigns_ = false;
};
