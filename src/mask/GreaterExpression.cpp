#include "mask/GreaterExpression.h"

std::unique_ptr<Expression> GreaterExpression::clone() const {
  return std::make_unique<GreaterExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int GreaterExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int GreaterExpression::toString(std::wstring& text) const {
  return printCoded(kGreater, text);
}

// Comparison rule shared by the six comparisons, keyed by this operator's code.
int GreaterExpression::combine(const Expression& left, const Expression& right,
                               std::unique_ptr<Expression>& out) const {
  return compare(kGreater, left, right, out);
}

int GreaterExpression::getString(std::string& text) const {
  return truthAsString(kGreater, text);
}
int GreaterExpression::getDouble(double& value) const {
  return truthAsDouble(kGreater, value);
}
int GreaterExpression::getLong(int32_t& value) const {
  return truthAsLong(kGreater, value);
}
