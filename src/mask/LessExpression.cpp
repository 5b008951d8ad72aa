#include "mask/LessExpression.h"

std::unique_ptr<Expression> LessExpression::clone() const {
  return std::make_unique<LessExpression>(cloneOf(left_), cloneOf(right_));
}
