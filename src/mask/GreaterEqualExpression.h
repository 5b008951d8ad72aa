#pragma once

#include "mask/ComparisonExpression.h"

// `>=`; its truth reads as a text or a number, not as a truth value.
class GreaterEqualExpression : public ComparisonExpression {
 public:
  GreaterEqualExpression(std::unique_ptr<Expression> left, std::unique_ptr<Expression> right)
      : ComparisonExpression(kGreaterEqual, std::move(left), std::move(right)) {}

  std::unique_ptr<Expression> clone() const override;
};
