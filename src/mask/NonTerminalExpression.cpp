#include "mask/NonTerminalExpression.h"

#include "mask/ValueConversion.h"
#include "mask/ValueExpression.h"
#include "mask/VariableExpression.h"

bool NonTerminalExpression::mayAssign(const Node& node) {
  return node && node->getKind() == kind::kOperator &&
         static_cast<const NonTerminalExpression&>(*node).mayAssign();
}

// Operand rule: literals and lendable variables are read in place; anything
// else is evaluated into a value of its own.
int NonTerminalExpression::evaluateOperand(Node& slot, bool fold, Use use, OperandValue& value) {
  // The kind, not the virtual isValue: this runs for every operand of every evaluation.
  const int32_t k = slot->getKind();
  if (k == kind::kLong || k == kind::kDouble || k == kind::kBool || k == kind::kChar) {
    value.value = slot.get();
    return status::kConstant;
  }
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

int NonTerminalExpression::evaluateLent(OperandValue& value, bool fold) {
  const int s = evaluate(value.owned, fold);
  value.value = value.owned.get();
  return s;
}

int NonTerminalExpression::evaluateValue(Node& slot, bool fold, Use use, OperandValue& value) {
  const int s = evaluateOperand(slot, fold, use, value);
  return s >= 0 && value.value == nullptr ? status::kUnsupported : s;
}

// A lent value is copied into the slot, and read from there afterwards.
void NonTerminalExpression::keep(Node& slot, OperandValue& value, int status, bool fold) {
  if (!fold || status != status::kConstant || slot->isValue()) return;
  slot = value.owned ? std::move(value.owned) : value.value->clone();
  value.value = slot.get();
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

int NonTerminalExpression::refuse(int s, const Expression* left, const Expression* right) const {
  std::string kinds = left != nullptr ? mask::kindName(left->getKind()) : "nothing";
  if (right != nullptr) kinds += " and " + mask::kindName(right->getKind());
  mask::fail("'" + symbol() + "' cannot take " + kinds);
  return s;
}

bool NonTerminalExpression::isNumber(const Expression& value) {
  return value.getKind() == kind::kLong || value.getKind() == kind::kDouble;
}

double NonTerminalExpression::numberAsDouble(const Expression& value) {
  if (value.getKind() == kind::kLong) return static_cast<const LongExpression&>(value).value();
  return static_cast<const DoubleExpression&>(value).value();
}

int32_t NonTerminalExpression::numberAsInt32(const Expression& value) {
  if (value.getKind() == kind::kLong) return static_cast<const LongExpression&>(value).value();
  return mask::truncToInt32(static_cast<const DoubleExpression&>(value).value());
}
