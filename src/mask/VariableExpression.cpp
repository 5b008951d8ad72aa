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
  if (!found->holdsValue()) return status::kTypeError;
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
  if (!node->holdsValue()) return status::kTypeError;
  out = node->clone();
  return status::kOk;
}

int VariableExpression::toString(std::wstring& text) const {
  return status::answer(text, Platform::ansiToWide(name_.c_str()));
}
