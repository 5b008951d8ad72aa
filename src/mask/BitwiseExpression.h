#pragma once

#include "mask/BinaryExpression.h"

// `&` and `|`: the same kind rules, only the bit operation differs.
class BitwiseExpression : public BinaryExpression {
 public:
  using BinaryExpression::BinaryExpression;

  int getString(std::string& text) const override;
  int getDouble(double& value) const override;
  int getLong(int32_t& value) const override;

 protected:
  virtual int32_t apply(int32_t a, int32_t b) const = 0;
  int combine(const Expression& left, const Expression& right,
              std::unique_ptr<Expression>& out) const override;

 private:
  std::string bytewise(const std::string& a, const std::string& b) const;
};
