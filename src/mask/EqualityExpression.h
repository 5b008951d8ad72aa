#pragma once

#include "mask/ComparisonExpression.h"

// `==`; unlike the ordering comparisons its truth also reads as a truth value.
class EqualityExpression : public ComparisonExpression {
 public:
  EqualityExpression(std::unique_ptr<Expression> left, std::unique_ptr<Expression> right)
      : ComparisonExpression(kEqual, std::move(left), std::move(right)) {}

  std::unique_ptr<Expression> clone() const override;
  int getBool(bool& value) const override;
};
