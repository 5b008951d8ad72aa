#pragma once

#include <memory>

class ExpressionStore;

// Entry point of the mask expression engine: parses, caches and evaluates texts.
// Safe to call from several threads at once (see ExpressionStore).
class SyntaxInterpreter {
 public:
  SyntaxInterpreter();
  virtual ~SyntaxInterpreter();

  // Evaluates text and writes its numeric value to result when there is one:
  // 1 or 2 for a truth value (result 1.0 or 0.0), 0 for a number, a negative
  // status otherwise (result untouched). An empty text gives 0, result untouched.
  // On failure mask::failure() says why (per thread). A text that does not
  // depend on a variable is evaluated once; its value is kept.
  int evaluate(const char* text, double& result);
  ExpressionStore* getStore() { return store_.get(); }

 private:
  std::unique_ptr<ExpressionStore> store_;
};
