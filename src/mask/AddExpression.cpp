#include "mask/AddExpression.h"

#include <algorithm>

#include "mask/CharExpression.h"
#include "mask/DoubleExpression.h"
#include "mask/LongExpression.h"
#include "mask/ValueConversion.h"

std::unique_ptr<Expression> AddExpression::clone() const {
  return std::make_unique<AddExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int AddExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int AddExpression::toString(std::wstring& text) const {
  return printBinary(L"[+, ", text);
}

// Sum rule: two integers stay integer with the wider bit width; a real makes it real; texts join.
int AddExpression::combine(const Expression& left, const Expression& right,
                           std::unique_ptr<Expression>& out) const {
  if (left.getKind() == kind::kLong && right.getKind() == kind::kLong) {
    const auto& a = static_cast<const LongExpression&>(left);
    const auto& b = static_cast<const LongExpression&>(right);
    out = std::make_unique<LongExpression>(mask::wrapAdd(a.value(), b.value()),
                                           std::max(a.bitWidth(), b.bitWidth()));
    return status::kOk;
  }
  if (isNumber(left) && isNumber(right)) {
    out = std::make_unique<DoubleExpression>(numberAsDouble(left) + numberAsDouble(right));
    return status::kOk;
  }
  if (left.getKind() == kind::kChar && right.getKind() == kind::kChar) {
    out = std::make_unique<CharExpression>(static_cast<const CharExpression&>(left).text() +
                                           static_cast<const CharExpression&>(right).text());
    return status::kOk;
  }
  return status::kTypeError;
}

int AddExpression::getDouble(double& value) const {
  double a = 0;
  double b = 0;
  const int s = readNumbers(a, b);
  if (s < 0) return s;
  value = a + b;
  return status::kOk;
}

int AddExpression::getLong(int32_t& value) const {
  int32_t a = 0;
  int32_t b = 0;
  const int s = readLongs(a, b);
  if (s < 0) return s;
  value = mask::wrapAdd(a, b);
  return status::kOk;
}
