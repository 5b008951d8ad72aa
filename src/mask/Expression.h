#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mask/ExpressionCodes.h"

class Expression;
using Node = std::unique_ptr<Expression>;

// A node of a parsed mask expression. Operator nodes own their operands. The
// tree is compiled to a program (Compiler), which is what evaluates it.
class Expression {
 public:
  explicit Expression(int32_t nodeKind) : kind_(nodeKind) {}
  virtual ~Expression() = default;
  Expression(const Expression&) = delete;
  Expression& operator=(const Expression&) = delete;

  int32_t getKind() const { return kind_; }
  // isValue without the virtual call: every operand of every evaluation asks.
  bool holdsValue() const { return kind_ >= kind::kDouble && kind_ <= kind::kBool; }

  // Deep copy.
  virtual Node clone() const = 0;
  // True for the four constant value kinds.
  virtual bool isValue() const { return holdsValue(); }
  // Accessors answer -3 when the node has no such reading; the output is then untouched.
  virtual int getString(std::string&) const { return status::kUnsupported; }
  virtual int getDouble(double&) const { return status::kUnsupported; }
  virtual int getBool(bool&) const { return status::kUnsupported; }
  virtual int getLong(int32_t&) const { return status::kUnsupported; }
  // The printable form.
  virtual int toString(std::wstring& text) const = 0;

 protected:
  const int32_t kind_;
};

// The four accessors of a node that reads every kind by one rule,
// Self::read(accessor, value).
template <class Self, class Base>
class ReadsAlike : public Base {
 public:
  using Base::Base;
  int getString(std::string& v) const override { return self().read(&Expression::getString, v); }
  int getDouble(double& v) const override { return self().read(&Expression::getDouble, v); }
  int getBool(bool& v) const override { return self().read(&Expression::getBool, v); }
  int getLong(int32_t& v) const override { return self().read(&Expression::getLong, v); }

 private:
  const Self& self() const { return static_cast<const Self&>(*this); }
};
