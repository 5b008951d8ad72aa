#include "mask/EqualityExpression.h"

std::unique_ptr<Expression> EqualityExpression::clone() const {
  return std::make_unique<EqualityExpression>(cloneOf(left_), cloneOf(right_));
}

int EqualityExpression::getBool(bool& value) const {
  return truthAsBool(kEqual, value);
}
