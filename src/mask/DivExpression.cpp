#include "mask/DivExpression.h"

#include <algorithm>

#include "mask/DoubleExpression.h"
#include "mask/LongExpression.h"
#include "mask/ValueConversion.h"

std::unique_ptr<Expression> DivExpression::clone() const {
  return std::make_unique<DivExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int DivExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int DivExpression::toString(std::wstring& text) const {
  return printBinary(L"[/, ", text);
}

// Quotient rule: as the product, and a divisor equal to 0 of either kind is a type error.
int DivExpression::combine(const Expression& left, const Expression& right,
                           std::unique_ptr<Expression>& out) const {
  if (left.getKind() == kind::kLong && right.getKind() == kind::kLong) {
    const auto& a = static_cast<const LongExpression&>(left);
    const auto& b = static_cast<const LongExpression&>(right);
    if (b.value() == 0) return status::kTypeError;
    out = std::make_unique<LongExpression>(mask::wrapDiv(a.value(), b.value()),
                                           std::max(a.bitWidth(), b.bitWidth()));
    return status::kOk;
  }
  if (isNumber(left) && isNumber(right)) {
    if (numberAsDouble(right) == 0.0) return status::kTypeError;
    out = std::make_unique<DoubleExpression>(numberAsDouble(left) / numberAsDouble(right));
    return status::kOk;
  }
  return status::kTypeError;
}

int DivExpression::getDouble(double& value) const {
  double a = 0;
  double b = 0;
  const int s = readNumbers(a, b);
  if (s < 0) return s;
  if (b == 0.0) return status::kTypeError;
  value = a / b;
  return status::kOk;
}

int DivExpression::getLong(int32_t& value) const {
  int32_t a = 0;
  int32_t b = 0;
  const int s = readLongs(a, b);
  if (s < 0) return s;
  if (b == 0) return status::kTypeError;
  value = mask::wrapDiv(a, b);
  return status::kOk;
}
