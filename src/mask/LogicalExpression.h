#pragma once

#include "mask/BinaryExpression.h"

// `&&` and `||`: the left truth value may decide alone, without evaluating
// the right operand; the result is the deciding operand's value.
class LogicalExpression : public BinaryExpression {
 public:
  mask::Program::Code operation() const override {
    return decider_ ? mask::Program::kOrTest : mask::Program::kAndTest;
  }
  int getBool(bool& value) const override;

 protected:
  // decider: the left truth value that decides alone, false for && and true for ||.
  LogicalExpression(bool decider, Node left, Node right)
      : BinaryExpression(decider ? L"[||, " : L"[&&, ", std::move(left), std::move(right)),
        decider_(decider) {}
  bool printsMissingAsEmpty() const override { return true; }

  const bool decider_;
};

class AndExpression final : public Operator<AndExpression, LogicalExpression, false> {
 public:
  using Operator::Operator;
};

class OrExpression final : public Operator<OrExpression, LogicalExpression, true> {
 public:
  using Operator::Operator;
};
