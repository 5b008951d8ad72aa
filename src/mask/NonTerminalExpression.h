#pragma once

#include <memory>
#include <string>

#include "mask/Expression.h"

// What evaluating one operand produced: a value node owned here, or one lent
// by the tree (a literal) or by the store (a variable's node). A lent value is
// valid only until the next evaluation that may assign.
struct OperandValue {
  Node owned;
  const Expression* value = nullptr;
};

// Operators and functions: nodes that own operand nodes (which may be missing).
class NonTerminalExpression : public Expression {
 public:
  NonTerminalExpression() : Expression(kind::kOperator) {}

  // True when evaluating the subtree may rebind variables (it holds an
  // assignment). Folding only ever removes assignments, so it stays safe.
  static bool mayAssign(const Node& node) {
    return node && node->getKind() == kind::kOperator &&
           static_cast<const NonTerminalExpression&>(*node).assigns_;
  }
  // As evaluate, but the value may stay in this node, lent until the node is
  // evaluated again: repeated evaluations of a cached tree allocate nothing.
  virtual int evaluateLent(OperandValue& value, bool fold) = 0;
  int evaluate(Node& out, bool fold) final;
  // The value as a node of its own, for a result that must outlive the loan.
  static Node take(OperandValue& value);
  // How the operator is written, for messages.
  virtual std::string symbol() const = 0;

 protected:
  // Lending skips the copy of a variable's value; only safe when the value is
  // used before anything else is evaluated.
  enum class Use { kCopy, kLend };

  static int evaluateOperand(Node& slot, bool fold, Use use, OperandValue& value);
  // As evaluateOperand; an operand that gives no value is -3.
  static int evaluateValue(Node& slot, bool fold, Use use, OperandValue& value);
  // With fold set, a constant operand's value replaces the operand's subtree.
  static void keep(Node& slot, OperandValue& value, int status, bool fold) {
    if (!fold || status != status::kConstant || slot->holdsValue()) return;
    slot = value.owned ? std::move(value.owned) : value.value->clone();
    value.value = slot.get();
  }
  static Node cloneOf(const Node& node);
  // The operand's printable form; a missing operand prints as nothing or fails with -4.
  static int printOperand(const Node& node, bool missingAsEmpty, std::wstring& text);

  // Records which operand the operator lacks, e.g. "right operand"; gives kMissingOperand.
  int missing(const char* what) const;
  // Records why the operator refused its operands' kinds; gives s.
  int refuse(int s, const Expression* left, const Expression* right = nullptr) const;

  bool assigns_ = false;
  // The value this node lent at its last evaluation, reused by the next one.
  Node result_;
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
