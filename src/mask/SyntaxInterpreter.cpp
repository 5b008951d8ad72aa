#include "mask/SyntaxInterpreter.h"

#include <string>
#include <utility>

#include "mask/ExpressionStore.h"
#include "mask/NonTerminalExpression.h"

SyntaxInterpreter::SyntaxInterpreter() : store_(std::make_unique<ExpressionStore>()) {}

SyntaxInterpreter::~SyntaxInterpreter() = default;

namespace {

// Every failure has a cause in words; where no node gave one, the status does.
int explained(int s) {
  static const std::pair<int, const char*> kCauses[] = {
      {status::kMissingOperand, "an operator has no operand"},
      {status::kUndefinedVariable, "a variable is not defined"},
      {status::kNoLogicalValue, "an operand of && or || gives no value"},
      {status::kTypeError, "an operand is of a kind its operator cannot take"},
  };
  if (s >= 0 || !mask::failure().empty()) return s;
  for (const auto& [code, cause] : kCauses)
    if (code == s) {
      mask::fail(cause);
      return s;
    }
  mask::fail("an operand gives no value (status " + std::to_string(s) + ")");
  return s;
}

}  // namespace

// Evaluation rule: the cached tree is evaluated with folding; a constant
// result replaces the tree in the store, so that text is never parsed or
// evaluated again.
int SyntaxInterpreter::evaluate(const char* text, double& result) {
  mask::failure().clear();
  Expression* tree = nullptr;
  const int parsed = store_->getExpression(text, tree);
  if (parsed < 0) return explained(parsed);
  if (tree == nullptr) return status::kOk;
  OperandValue value;
  int evaluated = status::kOk;
  // A value found in the store (a constant text, or a variable's own name) is its own result.
  if (tree->isValue()) {
    value.value = tree;
  } else if (tree->getKind() == kind::kOperator) {
    evaluated = static_cast<NonTerminalExpression*>(tree)->evaluateLent(value, true);
  } else {
    evaluated = tree->evaluate(value.owned, true);
    value.value = value.owned.get();
  }
  if (value.value == nullptr) return explained(evaluated);
  const int read = value.value->getDouble(result);
  if (read < 0)
    mask::fail(std::string("the value is a ") + mask::kindName(value.value->getKind()) +
               ", not a number");
  if (evaluated == status::kConstant && value.value != tree)
    store_->rebind(text, NonTerminalExpression::take(value));
  return read;
}
