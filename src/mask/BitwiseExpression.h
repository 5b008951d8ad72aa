#pragma once

#include "mask/BinaryExpression.h"

// `&` and `|`: numbers taken as 32-bit integers (reals truncated toward zero)
// give an integer with the left operand's bit width; two texts combine byte by
// byte up to the shorter length.
class BitwiseExpression : public BinaryExpression {
 public:
  enum Code { kBitAnd, kBitOr };

  BitwiseExpression(Code code, Node left, Node right);

  int getString(std::string& text) const override;
  int getDouble(double& value) const override { return longAsDouble(value); }
  int getLong(int32_t& value) const override;

 protected:
  int combine(const Expression& left, const Expression& right, Node& out) const override;

 private:
  int32_t apply(int32_t a, int32_t b) const { return code_ == kBitAnd ? a & b : a | b; }
  std::string bytewise(const std::string& a, const std::string& b) const;

  const Code code_;
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

// `#`: bit test; the left operand is the value, the right one the bit index.
class BitExpression final : public BinaryExpression {
 public:
  BitExpression(Node value, Node index)
      : BinaryExpression(L"[#, ", std::move(value), std::move(index)) {}
  Node clone() const override { return copy<BitExpression>(); }
  int getDouble(double& value) const override { return longAsDouble(value); }
  int getLong(int32_t& value) const override;

 private:
  int combine(const Expression& left, const Expression& right, Node& out) const override;
};
