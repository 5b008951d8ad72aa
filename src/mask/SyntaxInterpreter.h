#pragma once

#include <memory>
#include <string>

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

  // A text looked up (parsed and compiled the first time) once, to be
  // evaluated many times without looking it up again. Valid as long as the
  // interpreter that prepared it.
  class Prepared {
   public:
    Prepared() = default;

   private:
    friend class SyntaxInterpreter;
    const void* entry_ = nullptr;  // null: the text failed to parse, or there is none
    bool hasText_ = false;
    std::string text_;  // evaluated as text when it did not parse: it fails alike
  };
  Prepared prepare(const char* text);
  // What evaluate(text) gives for the prepared text, failures included.
  int evaluate(const Prepared& mask, double& result);

  ExpressionStore* getStore() { return store_.get(); }

 private:
  std::unique_ptr<ExpressionStore> store_;
};
