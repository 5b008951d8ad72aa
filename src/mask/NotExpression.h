#pragma once

#include "mask/UnaryExpression.h"

// `!`: logical negation of a truth value. Its status is the operand's, not
// inverted: over a comparison it reports the comparison's own 1 or 2.
class NotExpression : public UnaryExpression {
 public:
  using UnaryExpression::UnaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int toString(std::wstring& text) const override;
  int getBool(bool& value) const override;

 protected:
  int apply(const Expression& value, std::unique_ptr<Expression>& out) const override;
};
