#include "mask/AssignExpression.h"

#include "mask/VariableExpression.h"

AssignExpression::AssignExpression(Node target, Node value)
    : BinaryExpression(L"[=, ", std::move(target), std::move(value)) {
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
int AssignExpression::evaluate(Node& out, bool fold) {
  VariableExpression* variable = nullptr;
  const int checked = target(variable);
  if (checked < 0) return checked;
  // A copy, not a loan: the value may be the very node that assign replaces.
  OperandValue value;
  const int s = evaluateValue(right_, fold, Use::kCopy, value);
  if (s < 0) return s;
  keep(right_, value, s, fold);
  variable->assign(value.value->clone());
  out = take(value);
  return s;
}

template <class T, class Store>
int AssignExpression::readAndStore(int (Expression::*read)(T&) const, T& value, Store store) const {
  VariableExpression* variable = nullptr;
  int s = target(variable);
  if (s >= 0) s = (right_.get()->*read)(value);
  if (s < 0) return s;
  const int set = store(*variable, value);
  return set < 0 ? set : s;
}

int AssignExpression::getString(std::string& text) const {
  return readAndStore(
      &Expression::getString, text,
      [](VariableExpression& v, const std::string& t) { return v.setString(t.c_str()); });
}

int AssignExpression::getDouble(double& value) const {
  return readAndStore(&Expression::getDouble, value,
                      [](VariableExpression& v, double d) { return v.setDouble(d); });
}

int AssignExpression::getBool(bool& value) const {
  return readAndStore(&Expression::getBool, value,
                      [](VariableExpression& v, bool b) { return v.setBool(b); });
}

int AssignExpression::getLong(int32_t& value) const {
  return readAndStore(&Expression::getLong, value,
                      [](VariableExpression& v, int32_t l) { return v.setLong(l); });
}
