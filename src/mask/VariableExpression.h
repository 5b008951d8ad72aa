#pragma once

#include <string>

#include "mask/TerminalExpression.h"

class ExpressionStore;

// A reference to a named variable of the store. The name is looked up at each
// use, so a cached tree follows later changes of the variable.
class VariableExpression final : public ReadsAlike<VariableExpression, TerminalExpression> {
 public:
  VariableExpression(const char* name, ExpressionStore* store);

  const std::string& name() const { return name_; }
  // The bound node, which must be of a value kind: 0, -5 (not in the store) or
  // -2 (another kind). The node stays the store's.
  int lookup(Expression*& bound) const;
  // Replaces the bound node by newValue; the name must already be bound.
  int assign(Node newValue);

  Node clone() const override;
  // Accessors read the bound node; setters change it in place, by its kind.
  template <class T>
  int read(int (Expression::*get)(T&) const, T& value) const {
    const Expression* node = bound();
    return node != nullptr ? (node->*get)(value) : status::kUndefinedVariable;
  }
  int evaluate(Node& out, bool fold) override;
  int setBool(bool value) override { return write(&TerminalExpression::setBool, value); }
  int setString(const char* text) override { return write(&TerminalExpression::setString, text); }
  int setLong(int32_t value) override { return write(&TerminalExpression::setLong, value); }
  int setDouble(double value) override { return write(&TerminalExpression::setDouble, value); }
  int toString(std::wstring& text) const override;

 private:
  Expression* bound() const;
  // Setter rule: the bound value's own setter, which refuses to change its
  // kind; to a variable that is a type error.
  template <class T>
  int write(int (TerminalExpression::*set)(T), T value) {
    Expression* node = bound();
    if (node == nullptr) return status::kUndefinedVariable;
    const int s = node->holdsValue() ? (static_cast<TerminalExpression*>(node)->*set)(value)
                                     : status::kUnsupported;
    return s == status::kUnsupported ? status::kTypeError : s;
  }

  std::string name_;
  ExpressionStore* store_;  // not owned; outlives every tree it holds
  // The store's slot for the name, found at the first use that finds it.
  mutable Expression* const* slot_ = nullptr;
};
