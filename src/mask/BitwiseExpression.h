#pragma once

#include "mask/BinaryExpression.h"

// `&`, `|` and the bit test `#` over numbers taken as 32-bit integers (reals
// truncated toward zero). `&` and `|` keep the left operand's bit width and
// also combine two texts byte by byte up to the shorter length; `#` tests bit
// number right of left and has width 1.
class BitwiseExpression : public BinaryExpression {
 public:
  enum Code { kBitAnd, kBitOr, kBitTest };

  BitwiseExpression(Code code, Node left, Node right);

  int getString(std::string& text) const override;
  int getDouble(double& value) const override { return longAsDouble(value); }
  int getLong(int32_t& value) const override;
  mask::Program::Code operation() const override;

 private:
  int32_t apply(int32_t a, int32_t b) const;
  std::string bytewise(const std::string& a, const std::string& b) const;

  const Code code_;
};

// `#` has no text reading.
class BitExpression final
    : public Operator<BitExpression, BitwiseExpression, BitwiseExpression::kBitTest> {
 public:
  using Operator::Operator;
  int getString(std::string&) const override { return status::kUnsupported; }
};

class BitAndExpression final
    : public Operator<BitAndExpression, BitwiseExpression, BitwiseExpression::kBitAnd> {
 public:
  using Operator::Operator;
};

class BitOrExpression final
    : public Operator<BitOrExpression, BitwiseExpression, BitwiseExpression::kBitOr> {
 public:
  using Operator::Operator;
};
