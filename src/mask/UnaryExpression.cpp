#include "mask/UnaryExpression.h"

UnaryExpression::UnaryExpression(std::unique_ptr<Expression> operand)
    : operand_(std::move(operand)) {
  assigns_ = mayAssign(operand_);
}

// Unary rule: the operand's value (folded when constant), then the operator
// over it; the status is the operand's own, so constness passes through.
int UnaryExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  if (!operand_) return status::kMissingOperand;
  OperandValue value;
  const int s = evaluateOperand(operand_, fold, Use::kLend, value);
  if (s < 0) return s;
  if (value.value == nullptr) return status::kUnsupported;
  keep(operand_, value, s, fold);
  std::unique_ptr<Expression> result;
  const int applied = apply(*value.value, result);
  if (applied < 0) return applied;
  out = std::move(result);
  return s;
}

int UnaryExpression::printUnary(const wchar_t* opening, std::wstring& text) const {
  std::wstring operand;
  const int s = printOperand(operand_, false, operand);
  if (s < 0) return s;
  text = opening;
  text += operand;
  text += L"]";
  return status::kOk;
}
