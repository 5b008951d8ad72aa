#include "mask/SyntaxInterpreter.h"

#include "mask/ExpressionStore.h"
#include "mask/NonTerminalExpression.h"

SyntaxInterpreter::SyntaxInterpreter() : store_(std::make_unique<ExpressionStore>()) {}

SyntaxInterpreter::~SyntaxInterpreter() = default;

// Evaluation rule: the cached tree is evaluated with folding; a constant
// result replaces the tree in the store, so that text is never parsed or
// evaluated again.
int SyntaxInterpreter::evaluate(const char* text, double& result) {
  mask::failure().clear();
  Expression* tree = nullptr;
  const int parsed = store_->getExpression(text, tree);
  if (parsed < 0) return parsed;
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
  if (value.value == nullptr) return evaluated;
  const int read = value.value->getDouble(result);
  if (read < 0)
    mask::fail(std::string("the value is a ") + mask::kindName(value.value->getKind()) +
               ", not a number");
  if (evaluated == status::kConstant && value.value != tree)
    store_->rebind(text, NonTerminalExpression::take(value));
  return read;
}
