#include "mask/NotExpression.h"

#include "mask/BoolExpression.h"

std::unique_ptr<Expression> NotExpression::clone() const {
  return std::make_unique<NotExpression>(cloneOf(operand_));
}

int NotExpression::toString(std::wstring& text) const {
  return printUnary(L"[!, ", text);
}

// Negation rule: only a truth value is accepted.
int NotExpression::apply(const Expression& value, std::unique_ptr<Expression>& out) const {
  if (value.getKind() != kind::kBool) return status::kUnsupported;
  out = std::make_unique<BoolExpression>(!static_cast<const BoolExpression&>(value).value());
  return status::kOk;
}

int NotExpression::getBool(bool& value) const {
  if (!operand_) return status::kMissingOperand;
  bool v = false;
  const int s = operand_->getBool(v);
  if (s < 0) return s;
  value = !v;
  return status::fromTruth(value);
}
