#pragma once

#include "mask/NonTerminalExpression.h"

// An operator over three owned operands; the last may be absent.
class TernaryExpression : public NonTerminalExpression {
 public:
  TernaryExpression(Node first, Node second, Node third)
      : first_(std::move(first)), second_(std::move(second)), third_(std::move(third)) {}

  const Expression* operand(int index) const override {
    return index == 0   ? first_.get()
           : index == 1 ? second_.get()
           : index == 2 ? third_.get()
                        : nullptr;
  }

 protected:
  Node first_;
  Node second_;
  Node third_;
};

// `c ? a : b`: condition, then-part and the optional else-part.
class IfExpression final : public ReadsAlike<IfExpression, TernaryExpression> {
 public:
  using ReadsAlike::ReadsAlike;

  Node clone() const override;
  mask::Program::Code operation() const override { return mask::Program::kIfFalse; }
  int toString(std::wstring& text) const override;
  std::string symbol() const override { return "?"; }
  // Accessor rule: the branch the condition selects; no else-part gives 0.
  template <class T>
  int read(int (Expression::*get)(T&) const, T& value) const {
    if (!first_ || !second_) return status::kMissingOperand;
    bool truth = false;
    const int s = first_->getBool(truth);
    if (s < 0) return s;
    const Expression* selected = truth ? second_.get() : third_.get();
    return selected != nullptr ? (selected->*get)(value) : status::kOk;
  }
};
