#pragma once

#include "mask/UnaryExpression.h"

// $StringToLong$(x): a hexadecimal text as a 32-bit integer.
class StringToLongExpression : public UnaryExpression {
 public:
  using UnaryExpression::UnaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int toString(std::wstring& text) const override;

 protected:
  int apply(const Expression& value, std::unique_ptr<Expression>& out) const override;
};
