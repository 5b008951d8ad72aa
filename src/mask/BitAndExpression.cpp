#include "mask/BitAndExpression.h"

std::unique_ptr<Expression> BitAndExpression::clone() const {
  return std::make_unique<BitAndExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine, then folding.
int BitAndExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int BitAndExpression::toString(std::wstring& text) const {
  return printBinary(L"[&, ", text);
}
