#include "mask/NonTerminalExpression.h"

#include "mask/ValueConversion.h"
#include "mask/ValueExpression.h"
#include "mask/VariableExpression.h"

// Operand rule: literals are read in place, variables and operators lend
// their values where that is safe; the rest is evaluated into a value of its own.
int NonTerminalExpression::evaluateOperand(Node& slot, bool fold, Use use, OperandValue& value) {
  if (slot->holdsValue()) {
    value.value = slot.get();
    return status::kConstant;
  }
  const int32_t k = slot->getKind();
  if (use == Use::kLend && k == kind::kVariable) {
    Expression* bound = nullptr;
    const int s = static_cast<const VariableExpression&>(*slot).lookup(bound);
    value.value = bound;
    return s;
  }
  if (use == Use::kLend && k == kind::kOperator)
    return static_cast<NonTerminalExpression&>(*slot).evaluateLent(value, fold);
  const int s = slot->evaluate(value.owned, fold);
  value.value = value.owned.get();
  return s;
}

int NonTerminalExpression::evaluate(Node& out, bool fold) {
  OperandValue value;
  const int s = evaluateLent(value, fold);
  if (s >= 0) out = take(value);
  return s;
}

int NonTerminalExpression::evaluateValue(Node& slot, bool fold, Use use, OperandValue& value) {
  const int s = evaluateOperand(slot, fold, use, value);
  return s >= 0 && value.value == nullptr ? status::kUnsupported : s;
}

Node NonTerminalExpression::take(OperandValue& value) {
  if (value.owned) return std::move(value.owned);
  return value.value->clone();
}

Node NonTerminalExpression::cloneOf(const Node& node) {
  return node ? node->clone() : nullptr;
}

int NonTerminalExpression::printOperand(const Node& node, bool missingAsEmpty, std::wstring& text) {
  if (!node) {
    text.clear();
    return missingAsEmpty ? status::kOk : status::kMissingOperand;
  }
  return node->toString(text);
}

int NonTerminalExpression::missing(const char* what) const {
  mask::fail("'" + symbol() + "' has no " + what);
  return status::kMissingOperand;
}

int NonTerminalExpression::refuse(int s, const Expression* left, const Expression* right) const {
  std::string why = "'";
  why.append(symbol()).append("' cannot take ");
  why += left != nullptr ? mask::kindName(left->getKind()) : "nothing";
  if (right != nullptr) why.append(" and ").append(mask::kindName(right->getKind()));
  mask::fail(why);
  return s;
}
