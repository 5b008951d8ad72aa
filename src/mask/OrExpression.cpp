#include "mask/OrExpression.h"

std::unique_ptr<Expression> OrExpression::clone() const {
  return std::make_unique<OrExpression>(cloneOf(left_), cloneOf(right_));
}

// Logical rule: short-circuit on the left truth value.
int OrExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateLogical(kOr, out, fold);
}

int OrExpression::toString(std::wstring& text) const {
  return printCoded(kOr, text);
}

int OrExpression::getBool(bool& value) const {
  return truthAsBool(kOr, value);
}
