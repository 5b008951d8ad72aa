#include "mask/GreaterExpression.h"

std::unique_ptr<Expression> GreaterExpression::clone() const {
  return std::make_unique<GreaterExpression>(cloneOf(left_), cloneOf(right_));
}
