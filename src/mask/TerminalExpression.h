#pragma once

#include "mask/Expression.h"

// A leaf: a constant value or a reference to a variable of the store.
class TerminalExpression : public Expression {
 public:
  using Expression::Expression;

  // Setters answer -3 where they would change the node's kind.
  virtual int setBool(bool) { return status::kUnsupported; }
  virtual int setString(const char*) { return status::kUnsupported; }
  virtual int setLong(int32_t) { return status::kUnsupported; }
  virtual int setDouble(double) { return status::kUnsupported; }
  // The setter of the value's own kind.
  int setValue(const std::string& text) { return setString(text.c_str()); }
  int setValue(double value) { return setDouble(value); }
  int setValue(bool value) { return setBool(value); }
  int setValue(int32_t value) { return setLong(value); }
};
