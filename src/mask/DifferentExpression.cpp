#include "mask/DifferentExpression.h"

std::unique_ptr<Expression> DifferentExpression::clone() const {
  return std::make_unique<DifferentExpression>(cloneOf(left_), cloneOf(right_));
}

int DifferentExpression::getBool(bool& value) const {
  return truthAsBool(kDifferent, value);
}
