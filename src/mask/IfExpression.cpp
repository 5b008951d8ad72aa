#include "mask/IfExpression.h"

#include "mask/ValueExpression.h"

Node IfExpression::clone() const {
  return std::make_unique<IfExpression>(cloneOf(first_), cloneOf(second_), cloneOf(third_));
}

// Conditional rule: a truth-valued condition selects one branch, which alone
// is evaluated; constant when the condition and that branch both are.
int IfExpression::evaluateLent(OperandValue& value, bool fold) {
  if (!first_ || !second_) return missing(first_ ? "value after it" : "condition before it");
  OperandValue condition;
  const int sC = evaluateOperand(first_, fold, Use::kLend, condition);
  if (sC < 0) return sC;
  if (condition.value == nullptr || condition.value->getKind() != kind::kBool)
    return refuse(status::kTypeError, condition.value);
  // Read now: a lent condition does not survive the branch's evaluation.
  const bool truth = static_cast<const BoolExpression&>(*condition.value).value();
  Node& chosen = truth ? second_ : third_;
  if (!chosen) return missing("':' part for a false condition");
  const int sB = evaluateValue(chosen, fold, Use::kLend, value);
  if (sB < 0) return sB;
  keep(first_, condition, sC, fold);
  keep(chosen, value, sB, fold);
  return sC == status::kConstant && sB == status::kConstant ? status::kConstant : status::kOk;
}

int IfExpression::toString(std::wstring& text) const {
  std::wstring condition;
  std::wstring then;
  std::wstring otherwise;
  int s = printOperand(first_, true, condition);
  if (s >= 0) s = printOperand(second_, true, then);
  if (s >= 0) s = printOperand(third_, true, otherwise);
  if (s < 0) return s;
  text = L"[" + condition + L" ? " + then + L" : " + otherwise + L"]";
  return status::kOk;
}
