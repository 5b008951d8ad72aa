#include "mask/AssignExpression.h"

AssignExpression::AssignExpression(Node target, Node value)
    : ReadsAlike(L"[=, ", std::move(target), std::move(value)) {
  assigns_ = true;
}

int AssignExpression::target(VariableExpression*& variable) const {
  if (!left_ || !right_) return status::kMissingOperand;
  if (left_->getKind() != kind::kVariable) return status::kTypeError;
  variable = static_cast<VariableExpression*>(left_.get());
  return status::kOk;
}

// Assignment rule: the value (folded when constant) replaces the variable's
// node, and the result is another copy with the value's own status; a target
// missing from the store stays missing.
int AssignExpression::evaluateLent(OperandValue& value, bool fold) {
  VariableExpression* variable = nullptr;
  const int checked = target(variable);
  if (checked < 0) return checked;
  // A copy, not a loan: the value may be the very node that assign replaces.
  const int s = evaluateValue(right_, fold, Use::kCopy, value);
  if (s < 0) return s;
  keep(right_, value, s, fold);
  variable->assign(value.value->clone());
  return s;
}
