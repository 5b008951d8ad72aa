#include "mask/SubExpression.h"

#include <algorithm>

#include "mask/DoubleExpression.h"
#include "mask/LongExpression.h"
#include "mask/ValueConversion.h"

std::unique_ptr<Expression> SubExpression::clone() const {
  return std::make_unique<SubExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int SubExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int SubExpression::toString(std::wstring& text) const {
  return printBinary(L"[-, ", text);
}

// Difference rule: two integers stay integer with the wider bit width; a real makes it real.
int SubExpression::combine(const Expression& left, const Expression& right,
                           std::unique_ptr<Expression>& out) const {
  if (left.getKind() == kind::kLong && right.getKind() == kind::kLong) {
    const auto& a = static_cast<const LongExpression&>(left);
    const auto& b = static_cast<const LongExpression&>(right);
    out = std::make_unique<LongExpression>(mask::wrapSub(a.value(), b.value()),
                                           std::max(a.bitWidth(), b.bitWidth()));
    return status::kOk;
  }
  if (isNumber(left) && isNumber(right)) {
    out = std::make_unique<DoubleExpression>(numberAsDouble(left) - numberAsDouble(right));
    return status::kOk;
  }
  return status::kTypeError;
}

int SubExpression::getDouble(double& value) const {
  double a = 0;
  double b = 0;
  const int s = readNumbers(a, b);
  if (s < 0) return s;
  value = a - b;
  return status::kOk;
}

int SubExpression::getLong(int32_t& value) const {
  int32_t a = 0;
  int32_t b = 0;
  const int s = readLongs(a, b);
  if (s < 0) return s;
  value = mask::wrapSub(a, b);
  return status::kOk;
}
