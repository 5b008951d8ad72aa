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
  int setBool(bool value) override;
  int setString(const char* text) override;
  int setLong(int32_t value) override;
  int setDouble(double value) override;
  int toString(std::wstring& text) const override;

 private:
  Expression* bound() const;
  template <class T>
  int write(int (TerminalExpression::*set)(T), T value, int32_t kind1, int32_t kind2);

  std::string name_;
  ExpressionStore* store_;  // not owned; outlives every tree it holds
  // The store's slot for the name, found at the first use that finds it.
  mutable Expression* const* slot_ = nullptr;
};
