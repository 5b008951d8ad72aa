#pragma once

#include "mask/UnaryExpression.h"

// $HexaToDec$(x): a hexadecimal text (or an integer) as decimal text.
class HexaToDecExpression : public UnaryExpression {
 public:
  using UnaryExpression::UnaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int toString(std::wstring& text) const override;

 protected:
  int apply(const Expression& value, std::unique_ptr<Expression>& out) const override;
};
