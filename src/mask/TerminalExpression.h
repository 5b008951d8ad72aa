#pragma once

#include "mask/Expression.h"

// A leaf: a constant value or a reference to a variable of the store.
class TerminalExpression : public Expression {
 public:
  using Expression::Expression;

  virtual int setBool(bool value) = 0;
  virtual int setString(const char* text) = 0;
  virtual int setLong(int32_t value) = 0;
  virtual int setDouble(double value) = 0;
  // The setter of the value's own kind.
  int setValue(const std::string& text) { return setString(text.c_str()); }
  int setValue(double value) { return setDouble(value); }
  int setValue(bool value) { return setBool(value); }
  int setValue(int32_t value) { return setLong(value); }
};
