#include "mask/AssignExpression.h"

#include "mask/VariableExpression.h"

AssignExpression::AssignExpression(std::unique_ptr<Expression> target,
                                   std::unique_ptr<Expression> value)
    : BinaryExpression(std::move(target), std::move(value)) {
  assigns_ = true;
}

std::unique_ptr<Expression> AssignExpression::clone() const {
  return std::make_unique<AssignExpression>(cloneOf(left_), cloneOf(right_));
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
int AssignExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  VariableExpression* variable = nullptr;
  const int checked = target(variable);
  if (checked < 0) return checked;
  // A copy, not a loan: the value may be the very node that assign replaces.
  OperandValue value;
  const int s = evaluateOperand(right_, fold, Use::kCopy, value);
  if (s < 0) return s;
  if (value.value == nullptr) return status::kUnsupported;
  keep(right_, value, s, fold);
  variable->assign(value.value->clone());
  out = take(value);
  return s;
}

int AssignExpression::toString(std::wstring& text) const {
  return printBinary(L"[=, ", text);
}

int AssignExpression::getString(std::string& text) const {
  VariableExpression* variable = nullptr;
  int s = target(variable);
  if (s < 0) return s;
  s = right_->getString(text);
  if (s < 0) return s;
  const int set = variable->setString(text.c_str());
  return set < 0 ? set : s;
}

int AssignExpression::getDouble(double& value) const {
  VariableExpression* variable = nullptr;
  int s = target(variable);
  if (s < 0) return s;
  s = right_->getDouble(value);
  if (s < 0) return s;
  const int set = variable->setDouble(value);
  return set < 0 ? set : s;
}

int AssignExpression::getBool(bool& value) const {
  VariableExpression* variable = nullptr;
  int s = target(variable);
  if (s < 0) return s;
  s = right_->getBool(value);
  if (s < 0) return s;
  const int set = variable->setBool(value);
  return set < 0 ? set : s;
}

int AssignExpression::getLong(int32_t& value) const {
  VariableExpression* variable = nullptr;
  int s = target(variable);
  if (s < 0) return s;
  s = right_->getLong(value);
  if (s < 0) return s;
  const int set = variable->setLong(value);
  return set < 0 ? set : s;
}
