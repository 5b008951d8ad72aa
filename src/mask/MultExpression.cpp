#include "mask/MultExpression.h"

#include <algorithm>

#include "mask/DoubleExpression.h"
#include "mask/LongExpression.h"
#include "mask/ValueConversion.h"

std::unique_ptr<Expression> MultExpression::clone() const {
  return std::make_unique<MultExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int MultExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int MultExpression::toString(std::wstring& text) const {
  return printBinary(L"[*, ", text);
}

// Product rule: two integers stay integer with the wider bit width; a real makes it real.
int MultExpression::combine(const Expression& left, const Expression& right,
                            std::unique_ptr<Expression>& out) const {
  if (left.getKind() == kind::kLong && right.getKind() == kind::kLong) {
    const auto& a = static_cast<const LongExpression&>(left);
    const auto& b = static_cast<const LongExpression&>(right);
    out = std::make_unique<LongExpression>(mask::wrapMul(a.value(), b.value()),
                                           std::max(a.bitWidth(), b.bitWidth()));
    return status::kOk;
  }
  if (isNumber(left) && isNumber(right)) {
    out = std::make_unique<DoubleExpression>(numberAsDouble(left) * numberAsDouble(right));
    return status::kOk;
  }
  return status::kTypeError;
}

int MultExpression::getDouble(double& value) const {
  double a = 0;
  double b = 0;
  const int s = readNumbers(a, b);
  if (s < 0) return s;
  value = a * b;
  return status::kOk;
}

int MultExpression::getLong(int32_t& value) const {
  int32_t a = 0;
  int32_t b = 0;
  const int s = readLongs(a, b);
  if (s < 0) return s;
  value = mask::wrapMul(a, b);
  return status::kOk;
}
