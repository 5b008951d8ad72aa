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
};
