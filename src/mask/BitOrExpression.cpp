#include "mask/BitOrExpression.h"

std::unique_ptr<Expression> BitOrExpression::clone() const {
  return std::make_unique<BitOrExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine, then folding.
int BitOrExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int BitOrExpression::toString(std::wstring& text) const {
  return printBinary(L"[|, ", text);
}
