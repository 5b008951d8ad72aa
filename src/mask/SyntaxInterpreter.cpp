#include "mask/SyntaxInterpreter.h"

#include "mask/Expression.h"
#include "mask/ExpressionStore.h"

SyntaxInterpreter::SyntaxInterpreter() : store_(std::make_unique<ExpressionStore>()) {}

SyntaxInterpreter::~SyntaxInterpreter() = default;

// Evaluation rule: the cached tree is evaluated with folding; a constant
// result replaces the tree in the store, so that text is never parsed or
// evaluated again.
int SyntaxInterpreter::evaluate(const char* text, double& result) {
  Expression* tree = nullptr;
  const int parsed = store_->getExpression(text, tree);
  if (parsed < 0) return parsed;
  if (tree == nullptr) return status::kOk;
  // A value found in the store (a constant text, or a variable's own name) is its own result.
  if (tree->isValue()) return tree->getDouble(result);
  Node value;
  const int evaluated = tree->evaluate(value, true);
  if (!value) return evaluated;
  const int read = value->getDouble(result);
  if (evaluated == status::kConstant) store_->rebind(text, std::move(value));
  return read;
}
