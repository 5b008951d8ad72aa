#include "mask/LessEqualExpression.h"

std::unique_ptr<Expression> LessEqualExpression::clone() const {
  return std::make_unique<LessEqualExpression>(cloneOf(left_), cloneOf(right_));
}
