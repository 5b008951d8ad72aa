#include "mask/GreaterEqualExpression.h"

std::unique_ptr<Expression> GreaterEqualExpression::clone() const {
  return std::make_unique<GreaterEqualExpression>(cloneOf(left_), cloneOf(right_));
}
