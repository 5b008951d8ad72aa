#pragma once

#include "mask/UnaryExpression.h"

// $HexaToAscii$(x): hexadecimal digits (a text, or an integer's hexadecimal form) to the bytes they
// encode.
class HexaToAsciiExpression : public UnaryExpression {
 public:
  using UnaryExpression::UnaryExpression;

  std::unique_ptr<Expression> clone() const override;
  int toString(std::wstring& text) const override;

 protected:
  int apply(const Expression& value, std::unique_ptr<Expression>& out) const override;
};
