#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mask/ExpressionCodes.h"

// A node of a mask expression tree. Evaluating a node yields a new value node
// owned by the caller; operator nodes own their operands.
class Expression {
 public:
  explicit Expression(int32_t kind) : kind(kind) {}
  virtual ~Expression() = default;
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  int32_t getKind() const { return kind; }

  // Deep copy.
  virtual std::unique_ptr<Expression> clone() const = 0;
  // True for the four constant value kinds.
  virtual bool isValue() const { return false; }
  // Accessors answer -3 when the node has no such reading; the output is then untouched.
  virtual int getString(std::string& text) const;
  virtual int getDouble(double& value) const;
  virtual int getBool(bool& value) const;
  virtual int getLong(int32_t& value) const;
  // Puts a new value node into out, replacing what was there. With fold set an
  // operator may replace constant operand subtrees by their values.
  virtual int evaluate(std::unique_ptr<Expression>& out, bool fold) = 0;
  // The printable form.
  virtual int toString(std::wstring& text) const = 0;

 protected:
  const int32_t kind;
};
