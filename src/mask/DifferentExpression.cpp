#include "mask/DifferentExpression.h"

std::unique_ptr<Expression> DifferentExpression::clone() const {
  return std::make_unique<DifferentExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int DifferentExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int DifferentExpression::toString(std::wstring& text) const {
  return printCoded(kDifferent, text);
}

// Comparison rule shared by the six comparisons, keyed by this operator's code.
int DifferentExpression::combine(const Expression& left, const Expression& right,
                                 std::unique_ptr<Expression>& out) const {
  return compare(kDifferent, left, right, out);
}

int DifferentExpression::getBool(bool& value) const {
  return truthAsBool(kDifferent, value);
}
int DifferentExpression::getString(std::string& text) const {
  return truthAsString(kDifferent, text);
}
int DifferentExpression::getDouble(double& value) const {
  return truthAsDouble(kDifferent, value);
}
int DifferentExpression::getLong(int32_t& value) const {
  return truthAsLong(kDifferent, value);
}
