#include "mask/NonTerminalExpression.h"

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
