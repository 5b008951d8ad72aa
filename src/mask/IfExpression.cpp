#include "mask/IfExpression.h"

#include "mask/BoolExpression.h"

std::unique_ptr<Expression> IfExpression::clone() const {
  return std::make_unique<IfExpression>(cloneOf(first_), cloneOf(second_), cloneOf(third_));
}

// Conditional rule: a truth-valued condition selects one branch, which alone
// is evaluated; constant when the condition and that branch both are.
int IfExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  if (!first_ || !second_) return status::kMissingOperand;
  OperandValue condition;
  const int sC = evaluateOperand(first_, fold, Use::kLend, condition);
  if (sC < 0) return sC;
  if (condition.value == nullptr || condition.value->getKind() != kind::kBool)
    return status::kTypeError;
  // Read now: a lent condition does not survive the branch's evaluation.
  const bool truth = static_cast<const BoolExpression&>(*condition.value).value();
  std::unique_ptr<Expression>& chosen = truth ? second_ : third_;
  if (!chosen) return status::kMissingOperand;
  OperandValue value;
  const int sB = evaluateOperand(chosen, fold, Use::kLend, value);
  if (sB < 0) return sB;
  if (value.value == nullptr) return status::kUnsupported;
  keep(first_, condition, sC, fold);
  keep(chosen, value, sB, fold);
  out = take(value);
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

// The operand the condition selects, or null when the else-part is absent.
int IfExpression::branch(const Expression*& selected) const {
  if (!first_ || !second_) return status::kMissingOperand;
  bool truth = false;
  const int s = first_->getBool(truth);
  if (s < 0) return s;
  selected = truth ? second_.get() : third_.get();
  return status::kOk;
}

int IfExpression::getString(std::string& text) const {
  const Expression* selected = nullptr;
  const int s = branch(selected);
  if (s < 0 || selected == nullptr) return s;
  return selected->getString(text);
}

int IfExpression::getDouble(double& value) const {
  const Expression* selected = nullptr;
  const int s = branch(selected);
  if (s < 0 || selected == nullptr) return s;
  return selected->getDouble(value);
}

int IfExpression::getBool(bool& value) const {
  const Expression* selected = nullptr;
  const int s = branch(selected);
  if (s < 0 || selected == nullptr) return s;
  return selected->getBool(value);
}

int IfExpression::getLong(int32_t& value) const {
  const Expression* selected = nullptr;
  const int s = branch(selected);
  if (s < 0 || selected == nullptr) return s;
  return selected->getLong(value);
}
