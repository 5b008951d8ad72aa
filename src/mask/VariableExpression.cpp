#include "mask/VariableExpression.h"

#include "mask/ExpressionStore.h"
#include "platform/Platform.h"

VariableExpression::VariableExpression(const char* name, ExpressionStore* store)
    : ReadsAlike(kind::kVariable), name_(name), store_(store) {}

Expression* VariableExpression::bound() const {
  if (slot_ == nullptr && store_ != nullptr) slot_ = store_->slot(name_.c_str());
  return slot_ != nullptr ? *slot_ : nullptr;
}

int VariableExpression::lookup(Expression*& node) const {
  Expression* found = bound();
  if (found == nullptr) return status::kUndefinedVariable;
  if (!found->isValue()) return status::kTypeError;
  return status::answer(node, found);
}

int VariableExpression::assign(Node newValue) {
  if (bound() == nullptr) return status::kUndefinedVariable;
  store_->rebind(name_.c_str(), std::move(newValue));
  return status::kOk;
}

Node VariableExpression::clone() const {
  return std::make_unique<VariableExpression>(name_.c_str(), store_);
}

// A variable evaluates to a copy of its bound value and is never constant.
int VariableExpression::evaluate(Node& out, bool) {
  Expression* node = bound();
  if (node == nullptr) return status::kUndefinedVariable;
  out.reset();
  if (!node->isValue()) return status::kTypeError;
  out = node->clone();
  return status::kOk;
}

// Setter rule: the bound node must be of one of the two kinds; every node of
// a value kind is a leaf.
template <class T>
int VariableExpression::write(int (TerminalExpression::*set)(T), T value, int32_t kind1,
                              int32_t kind2) {
  Expression* node = bound();
  if (node == nullptr) return status::kUndefinedVariable;
  if (node->getKind() != kind1 && node->getKind() != kind2) return status::kTypeError;
  return (static_cast<TerminalExpression*>(node)->*set)(value);
}

int VariableExpression::setBool(bool value) {
  return write(&TerminalExpression::setBool, value, kind::kBool, kind::kBool);
}

int VariableExpression::setString(const char* text) {
  return write(&TerminalExpression::setString, text, kind::kChar, kind::kChar);
}

int VariableExpression::setLong(int32_t value) {
  return write(&TerminalExpression::setLong, value, kind::kDouble, kind::kLong);
}

// A real stored into an integer variable is truncated toward zero by the integer itself.
int VariableExpression::setDouble(double value) {
  return write(&TerminalExpression::setDouble, value, kind::kDouble, kind::kLong);
}

int VariableExpression::toString(std::wstring& text) const {
  return status::answer(text, Platform::ansiToWide(name_.c_str()));
}
