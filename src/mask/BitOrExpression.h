#pragma once

#include "mask/BitwiseExpression.h"

// `|`: bitwise or of two numbers taken as 32-bit integers, or bytewise or of two texts.
class BitOrExpression : public BitwiseExpression {
 public:
  using BitwiseExpression::BitwiseExpression;

  std::unique_ptr<Expression> clone() const override;
  int evaluate(std::unique_ptr<Expression>& out, bool fold) override;
  int toString(std::wstring& text) const override;

 protected:
  int32_t apply(int32_t a, int32_t b) const override { return a | b; }
};
