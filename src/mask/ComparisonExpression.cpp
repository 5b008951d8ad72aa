#include "mask/ComparisonExpression.h"

// Binary rule: both operands, then combine below, then folding.
int ComparisonExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int ComparisonExpression::toString(std::wstring& text) const {
  return printCoded(code_, text);
}

int ComparisonExpression::combine(const Expression& left, const Expression& right,
                                  std::unique_ptr<Expression>& out) const {
  return compare(code_, left, right, out);
}

int ComparisonExpression::getString(std::string& text) const {
  return truthAsString(code_, text);
}
int ComparisonExpression::getDouble(double& value) const {
  return truthAsDouble(code_, value);
}
int ComparisonExpression::getLong(int32_t& value) const {
  return truthAsLong(code_, value);
}
