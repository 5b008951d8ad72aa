#include "mask/LessEqualExpression.h"

std::unique_ptr<Expression> LessEqualExpression::clone() const {
  return std::make_unique<LessEqualExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int LessEqualExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int LessEqualExpression::toString(std::wstring& text) const {
  return printCoded(kLessEqual, text);
}

// Comparison rule shared by the six comparisons, keyed by this operator's code.
int LessEqualExpression::combine(const Expression& left, const Expression& right,
                                 std::unique_ptr<Expression>& out) const {
  return compare(kLessEqual, left, right, out);
}

int LessEqualExpression::getString(std::string& text) const {
  return truthAsString(kLessEqual, text);
}
int LessEqualExpression::getDouble(double& value) const {
  return truthAsDouble(kLessEqual, value);
}
int LessEqualExpression::getLong(int32_t& value) const {
  return truthAsLong(kLessEqual, value);
}
