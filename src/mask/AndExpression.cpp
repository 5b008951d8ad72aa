#include "mask/AndExpression.h"

std::unique_ptr<Expression> AndExpression::clone() const {
  return std::make_unique<AndExpression>(cloneOf(left_), cloneOf(right_));
}

// Logical rule: short-circuit on the left truth value.
int AndExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateLogical(kAnd, out, fold);
}

int AndExpression::toString(std::wstring& text) const {
  return printCoded(kAnd, text);
}

int AndExpression::getBool(bool& value) const {
  return truthAsBool(kAnd, value);
}
