#include "mask/UnaryExpression.h"

#include "mask/ValueConversion.h"
#include "mask/ValueExpression.h"

UnaryExpression::UnaryExpression(wchar_t symbol, Node operand)
    : symbol_(symbol), operand_(std::move(operand)) {
  assigns_ = mayAssign(operand_);
}

// Unary rule: the operand's value (folded when constant), then the operator over it.
int UnaryExpression::evaluateLent(OperandValue& value, bool fold) {
  if (!operand_) return missing("operand");
  OperandValue operand;
  const int s = evaluateValue(operand_, fold, Use::kLend, operand);
  if (s < 0) return s;
  keep(operand_, operand, s, fold);
  const int applied = apply(*operand.value, result_);
  if (applied < 0) return refuse(applied, operand.value);
  value.value = result_.get();
  return s;
}

int UnaryExpression::toString(std::wstring& text) const {
  std::wstring operand;
  const int s = printOperand(operand_, false, operand);
  if (s < 0) return s;
  const std::string opening = symbol();
  text = L"[" + std::wstring(opening.begin(), opening.end()) + L", " + operand + L"]";
  return status::kOk;
}

// Negation rule: integers wrap and keep their bit width; reals negate; other kinds are refused.
int NegativeExpression::apply(const Expression& value, Node& out) const {
  if (value.getKind() == kind::kLong) {
    const auto& v = static_cast<const LongExpression&>(value);
    put<LongExpression>(out, mask::wrapNeg(v.value()), v.bitWidth());
    return status::kOk;
  }
  if (value.getKind() == kind::kDouble) {
    put<DoubleExpression>(out, -static_cast<const DoubleExpression&>(value).value());
    return status::kOk;
  }
  return status::kUnsupported;
}

int NegativeExpression::getDouble(double& value) const {
  return readOperand(&Expression::getDouble, value, [](double v) { return -v; });
}

int NegativeExpression::getLong(int32_t& value) const {
  return readOperand(&Expression::getLong, value, mask::wrapNeg);
}

// Negation rule: only a truth value is accepted.
int NotExpression::apply(const Expression& value, Node& out) const {
  if (value.getKind() != kind::kBool) return status::kUnsupported;
  put<BoolExpression>(out, !static_cast<const BoolExpression&>(value).value());
  return status::kOk;
}

int NotExpression::getBool(bool& value) const {
  const int s = readOperand(&Expression::getBool, value, [](bool v) { return !v; });
  return s < 0 ? s : status::fromTruth(value);
}
