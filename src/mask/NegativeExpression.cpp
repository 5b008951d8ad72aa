#include "mask/NegativeExpression.h"

#include "mask/DoubleExpression.h"
#include "mask/LongExpression.h"
#include "mask/ValueConversion.h"

std::unique_ptr<Expression> NegativeExpression::clone() const {
  return std::make_unique<NegativeExpression>(cloneOf(operand_));
}

int NegativeExpression::toString(std::wstring& text) const {
  return printUnary(L"[-, ", text);
}

// Negation rule: integers wrap and keep their bit width; reals negate; other kinds are refused.
int NegativeExpression::apply(const Expression& value, std::unique_ptr<Expression>& out) const {
  if (value.getKind() == kind::kLong) {
    const auto& v = static_cast<const LongExpression&>(value);
    out = std::make_unique<LongExpression>(mask::wrapNeg(v.value()), v.bitWidth());
    return status::kOk;
  }
  if (value.getKind() == kind::kDouble) {
    out = std::make_unique<DoubleExpression>(-static_cast<const DoubleExpression&>(value).value());
    return status::kOk;
  }
  return status::kUnsupported;
}

int NegativeExpression::getDouble(double& value) const {
  if (!operand_) return status::kMissingOperand;
  double v = 0;
  const int s = operand_->getDouble(v);
  if (s < 0) return s;
  value = -v;
  return status::kOk;
}

int NegativeExpression::getLong(int32_t& value) const {
  if (!operand_) return status::kMissingOperand;
  int32_t v = 0;
  const int s = operand_->getLong(v);
  if (s < 0) return s;
  value = mask::wrapNeg(v);
  return status::kOk;
}
