#include "mask/SyntaxInterpreter.h"

#include "mask/ExpressionStore.h"

SyntaxInterpreter::SyntaxInterpreter() : store_(std::make_unique<ExpressionStore>()) {}

SyntaxInterpreter::~SyntaxInterpreter() = default;

int SyntaxInterpreter::evaluate(const char* text, double& result) {
  mask::failure().clear();
  return store_->evaluate(text, result);
}
