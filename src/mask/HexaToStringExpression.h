#pragma once

#include "mask/UnaryExpression.h"

// $HexaToString$(x): an integer as upper-case hexadecimal text, two digits per byte of its bit
// width.
class HexaToStringExpression : public UnaryExpression {
 public:
  using UnaryExpression::UnaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int toString(std::wstring& text) const override;

 protected:
  int apply(const Expression& value, std::unique_ptr<Expression>& out) const override;
};
