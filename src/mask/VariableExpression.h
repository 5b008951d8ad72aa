#pragma once

#include <string>

#include "mask/TerminalExpression.h"

class ExpressionStore;

// A reference to a named variable of the store, read at each use.
class VariableExpression final : public ReadsAlike<VariableExpression, TerminalExpression> {
 public:
  VariableExpression(const char* name, ExpressionStore* store);

  const std::string& name() const { return name_; }
  // Replaces the variable's value by newValue; the name must already be bound.
  int assign(Node newValue);

  Node clone() const override;
  // Accessors read the variable's value; setters change it, by its kind.
  template <class T>
  int read(int (Expression::*get)(T&) const, T& value) const {
    const Node node = bound();
    return node ? (node.get()->*get)(value) : status::kUndefinedVariable;
  }
  int setBool(bool value) override { return write(&TerminalExpression::setBool, value); }
  int setString(const char* text) override { return write(&TerminalExpression::setString, text); }
  int setLong(int32_t value) override { return write(&TerminalExpression::setLong, value); }
  int setDouble(double value) override { return write(&TerminalExpression::setDouble, value); }
  int toString(std::wstring& text) const override;

 private:
  // A copy of the value, or null when the name is no variable.
  Node bound() const;
  // Setter rule: the value's own setter, which refuses to change its kind; to
  // a variable that is a type error.
  template <class T>
  int write(int (TerminalExpression::*set)(T), T value) {
    Node node = bound();
    if (!node) return status::kUndefinedVariable;
    const int s = (static_cast<TerminalExpression*>(node.get())->*set)(value);
    if (s == status::kUnsupported) return status::kTypeError;
    return s < 0 ? s : assign(std::move(node));
  }

  std::string name_;
  ExpressionStore* store_;  // not owned; outlives every tree it holds
};
