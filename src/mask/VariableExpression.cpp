#include "mask/VariableExpression.h"

#include "mask/ExpressionStore.h"
#include "platform/Platform.h"

namespace {

bool isValueKind(int32_t k) {
  return k == kind::kDouble || k == kind::kChar || k == kind::kLong || k == kind::kBool;
}

// Setters reach the bound node through the leaf interface once they have
// checked its kind; every node of a value kind is a leaf.
TerminalExpression* asTerminal(Expression* node) {
  return static_cast<TerminalExpression*>(node);
}

}  // namespace

VariableExpression::VariableExpression(const char* name, ExpressionStore* store)
    : TerminalExpression(kind::kVariable), name_(name), store_(store) {}

Expression* VariableExpression::bound() const {
  return store_ != nullptr ? store_->find(name_.c_str()) : nullptr;
}

int VariableExpression::lookup(Expression*& node) const {
  Expression* found = bound();
  if (found == nullptr) return status::kUndefinedVariable;
  if (!isValueKind(found->getKind())) return status::kTypeError;
  node = found;
  return status::kOk;
}

int VariableExpression::assign(std::unique_ptr<Expression> newValue) {
  if (bound() == nullptr) return status::kUndefinedVariable;
  store_->rebind(name_.c_str(), std::move(newValue));
  return status::kOk;
}

std::unique_ptr<Expression> VariableExpression::clone() const {
  return std::make_unique<VariableExpression>(name_.c_str(), store_);
}

int VariableExpression::getString(std::string& text) const {
  const Expression* node = bound();
  return node != nullptr ? node->getString(text) : status::kUndefinedVariable;
}

int VariableExpression::getDouble(double& value) const {
  const Expression* node = bound();
  return node != nullptr ? node->getDouble(value) : status::kUndefinedVariable;
}

int VariableExpression::getBool(bool& value) const {
  const Expression* node = bound();
  return node != nullptr ? node->getBool(value) : status::kUndefinedVariable;
}

int VariableExpression::getLong(int32_t& value) const {
  const Expression* node = bound();
  return node != nullptr ? node->getLong(value) : status::kUndefinedVariable;
}

// A variable evaluates to a copy of its bound value and is never constant.
int VariableExpression::evaluate(std::unique_ptr<Expression>& out, bool) {
  Expression* node = bound();
  if (node == nullptr) return status::kUndefinedVariable;
  out.reset();
  if (!isValueKind(node->getKind())) return status::kTypeError;
  out = node->clone();
  return status::kOk;
}

int VariableExpression::setBool(bool value) {
  Expression* node = bound();
  if (node == nullptr) return status::kUndefinedVariable;
  if (node->getKind() != kind::kBool) return status::kTypeError;
  return asTerminal(node)->setBool(value);
}

int VariableExpression::setString(const char* text) {
  Expression* node = bound();
  if (node == nullptr) return status::kUndefinedVariable;
  if (node->getKind() != kind::kChar) return status::kTypeError;
  return asTerminal(node)->setString(text);
}

int VariableExpression::setLong(int32_t value) {
  Expression* node = bound();
  if (node == nullptr) return status::kUndefinedVariable;
  if (node->getKind() != kind::kDouble && node->getKind() != kind::kLong) return status::kTypeError;
  return asTerminal(node)->setLong(value);
}

// A real stored into an integer variable is truncated toward zero by the integer itself.
int VariableExpression::setDouble(double value) {
  Expression* node = bound();
  if (node == nullptr) return status::kUndefinedVariable;
  if (node->getKind() != kind::kDouble && node->getKind() != kind::kLong) return status::kTypeError;
  return asTerminal(node)->setDouble(value);
}

int VariableExpression::toString(std::wstring& text) const {
  text = Platform::ansiToWide(name_.c_str());
  return status::kOk;
}
