#include "mask/EqualityExpression.h"

std::unique_ptr<Expression> EqualityExpression::clone() const {
  return std::make_unique<EqualityExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int EqualityExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int EqualityExpression::toString(std::wstring& text) const {
  return printCoded(kEqual, text);
}

// Comparison rule shared by the six comparisons, keyed by this operator's code.
int EqualityExpression::combine(const Expression& left, const Expression& right,
                                std::unique_ptr<Expression>& out) const {
  return compare(kEqual, left, right, out);
}

int EqualityExpression::getBool(bool& value) const {
  return truthAsBool(kEqual, value);
}
int EqualityExpression::getString(std::string& text) const {
  return truthAsString(kEqual, text);
}
int EqualityExpression::getDouble(double& value) const {
  return truthAsDouble(kEqual, value);
}
int EqualityExpression::getLong(int32_t& value) const {
  return truthAsLong(kEqual, value);
}
