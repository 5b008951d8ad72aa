#include "mask/LessExpression.h"

std::unique_ptr<Expression> LessExpression::clone() const {
  return std::make_unique<LessExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int LessExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int LessExpression::toString(std::wstring& text) const {
  return printCoded(kLess, text);
}

// Comparison rule shared by the six comparisons, keyed by this operator's code.
int LessExpression::combine(const Expression& left, const Expression& right,
                            std::unique_ptr<Expression>& out) const {
  return compare(kLess, left, right, out);
}

int LessExpression::getString(std::string& text) const {
  return truthAsString(kLess, text);
}
int LessExpression::getDouble(double& value) const {
  return truthAsDouble(kLess, value);
}
int LessExpression::getLong(int32_t& value) const {
  return truthAsLong(kLess, value);
}
