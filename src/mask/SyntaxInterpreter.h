#pragma once

class ExpressionStore;

// Entry point of the mask expression engine: parses, caches and evaluates texts.
class SyntaxInterpreter {
 public:
  SyntaxInterpreter();
  virtual ~SyntaxInterpreter();
  SyntaxInterpreter(const SyntaxInterpreter&) = delete;
  SyntaxInterpreter& operator=(const SyntaxInterpreter&) = delete;

  // Evaluates text and writes its numeric value to result when there is one.
  int evaluate(const char* text, double& result);
  ExpressionStore* getStore() { return store; }

 private:
  ExpressionStore* store;
};
