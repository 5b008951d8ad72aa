#include "mask/VariableExpression.h"

#include "mask/ExpressionStore.h"
#include "platform/Platform.h"

VariableExpression::VariableExpression(const char* name, ExpressionStore* store)
    : ReadsAlike(kind::kVariable), name_(name), store_(store) {}

Node VariableExpression::bound() const {
  return store_ != nullptr ? store_->variableNode(name_) : nullptr;
}

int VariableExpression::assign(Node newValue) {
  if (store_ == nullptr || !newValue) return status::kUndefinedVariable;
  return store_->assign(name_, *newValue);
}

Node VariableExpression::clone() const {
  return std::make_unique<VariableExpression>(name_.c_str(), store_);
}

int VariableExpression::toString(std::wstring& text) const {
  return status::answer(text, Platform::ansiToWide(name_.c_str()));
}
