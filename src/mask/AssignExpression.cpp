#include "mask/AssignExpression.h"

AssignExpression::AssignExpression(Node target, Node value)
    : ReadsAlike(L"[=, ", std::move(target), std::move(value)) {}

int AssignExpression::target(VariableExpression*& variable) const {
  if (!left_ || !right_) return status::kMissingOperand;
  if (left_->getKind() != kind::kVariable) return status::kTypeError;
  variable = static_cast<VariableExpression*>(left_.get());
  return status::kOk;
}
