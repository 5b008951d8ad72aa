#pragma once

#include <string>

#include "mask/TerminalExpression.h"

class ExpressionStore;

// A reference to a named variable of the store. The name is looked up at each
// use, so a cached tree follows later changes of the variable.
class VariableExpression : public TerminalExpression {
 public:
  VariableExpression(const char* name, ExpressionStore* store);

  const std::string& name() const { return name_; }
  // The bound node, which must be of a value kind: 0, -5 (not in the store) or
  // -2 (another kind). The node stays the store's.
  int lookup(Expression*& bound) const;
  // Replaces the bound node by newValue; the name must already be bound.
  int assign(std::unique_ptr<Expression> newValue);

  std::unique_ptr<Expression> clone() const override;
  int getString(std::string& text) const override;
  int getDouble(double& value) const override;
  int getBool(bool& value) const override;
  int getLong(int32_t& value) const override;
  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;
  int setBool(bool value) override;
  int setString(const char* text) override;
  int setLong(int32_t value) override;
  int setDouble(double value) override;
  int toString(std::wstring& text) const override;

 private:
  Expression* bound() const;

  std::string name_;
  ExpressionStore* store_;  // not owned; outlives every tree it holds
};
