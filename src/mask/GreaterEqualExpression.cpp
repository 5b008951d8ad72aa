#include "mask/GreaterEqualExpression.h"

std::unique_ptr<Expression> GreaterEqualExpression::clone() const {
  return std::make_unique<GreaterEqualExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int GreaterEqualExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int GreaterEqualExpression::toString(std::wstring& text) const {
  return printCoded(kGreaterEqual, text);
}

// Comparison rule shared by the six comparisons, keyed by this operator's code.
int GreaterEqualExpression::combine(const Expression& left, const Expression& right,
                                    std::unique_ptr<Expression>& out) const {
  return compare(kGreaterEqual, left, right, out);
}

int GreaterEqualExpression::getString(std::string& text) const {
  return truthAsString(kGreaterEqual, text);
}
int GreaterEqualExpression::getDouble(double& value) const {
  return truthAsDouble(kGreaterEqual, value);
}
int GreaterEqualExpression::getLong(int32_t& value) const {
  return truthAsLong(kGreaterEqual, value);
}
