#pragma once

#include <memory>

#include "mask/Expression.h"
#include "mask/Program.h"

class ExpressionStore;
class NonTerminalExpression;

namespace mask {

// Turns a parsed tree into a program. Parts that depend on no variable are
// worked out here, once, and become literals; a part that fails is kept, so
// that it fails at every run with the same status and reason. Statuses stay
// those of the tree: 3 when the whole does not depend on a variable.
class Compiler {
 public:
  explicit Compiler(const ExpressionStore& store) : store_(store) {}

  // Null tree: an empty program.
  std::unique_ptr<Program> compile(const Expression* tree);

 private:
  // What a compiled part is: constant (status 3), and whether it assigns.
  struct Part {
    bool constant = false;
    bool assigns = false;
    StatusRule rule = StatusRule::kZero;
    int once = -1;  // a constant part that assigns: its number, marked when it is folded
    Value value;    // of a constant part
  };

  Part part(const Expression* node);
  Part operatorPart(const NonTerminalExpression& node);
  bool bothOperands(const NonTerminalExpression& node, const Expression*& left,
                    const Expression*& right);
  Part assignment(const NonTerminalExpression& node, size_t start);
  Part unaryPart(const NonTerminalExpression& node, Program::Code code, size_t start);
  Part logical(const NonTerminalExpression& node, Program::Code test);
  Part conditional(const NonTerminalExpression& node);

  // A constant part's code is run now and replaced by its value; one that
  // assigns keeps its code, behind a kOnce that skips it once it has been folded.
  Part fold(size_t start, Part part);
  // The value of the code from start, run without variables, or false if it fails.
  bool evaluate(size_t start, Value& value);
  // Where the tree folds an operand's value into its parent.
  void mark(const Part& part);
  size_t emit(Program::Code code, int32_t arg = 0, int32_t arg2 = 0);
  // A missing operand, found at run time; with what, it says which the node lacks.
  void missing(const NonTerminalExpression* node = nullptr, const char* what = nullptr);
  void emitBinary(Program::Code code, size_t start, size_t rightStart);
  static bool assigns(const Expression& node);
  static bool buildsTexts(const Program& program);
  static size_t depthOf(const std::vector<Program::Op>& code);
  void pushConstant(Value value);

  const ExpressionStore& store_;
  std::unique_ptr<Program> program_;
};

}  // namespace mask
