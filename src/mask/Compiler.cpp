#include "mask/Compiler.h"

#include <string>
#include <utility>

#include "mask/ExpressionStore.h"
#include "mask/NonTerminalExpression.h"
#include "mask/ValueExpression.h"
#include "mask/VariableExpression.h"

namespace mask {

namespace {

Value valueOf(const Expression& node) {
  Value v;
  v.kind = node.getKind();
  switch (v.kind) {
    case kind::kLong: {
      const auto& n = static_cast<const LongExpression&>(node);
      v.integer = n.value();
      v.bitWidth = n.bitWidth();
      break;
    }
    case kind::kDouble:
      v.real = static_cast<const DoubleExpression&>(node).value();
      break;
    case kind::kBool:
      v.truth = static_cast<const BoolExpression&>(node).value();
      break;
    default:
      v.text = static_cast<const CharExpression&>(node).text();
      break;
  }
  return v;
}

bool jumps(Program::Code code) {
  return code == Program::kAndTest || code == Program::kOrTest || code == Program::kIfFalse ||
         code == Program::kJump;
}

StatusRule inverse(StatusRule rule) {
  if (rule == StatusRule::kTruth) return StatusRule::kInverseTruth;
  if (rule == StatusRule::kInverseTruth) return StatusRule::kTruth;
  return rule;
}

}  // namespace

std::unique_ptr<Program> Compiler::compile(const Expression* tree) {
  program_ = std::make_unique<Program>();
  if (tree == nullptr) return std::move(program_);
  // Known before compiling: variables are read in place only when nothing writes them.
  program_->assigns_ = assigns(*tree);
  const Part root = part(tree);
  program_->constant_ = root.constant;
  program_->rule_ = root.rule;
  program_->seal();
  program_->maxDepth_ = depthOf(program_->code_);
  program_->buildsTexts_ = buildsTexts(*program_);
  return std::move(program_);
}

// Operators that may make a text; a program that assigns copies the texts it reads.
bool Compiler::buildsTexts(const Program& program) {
  if (program.assigns_) return true;
  for (const Program::Op& op : program.code_)
    if (op.code == Program::kAdd || op.code == Program::kBitAnd || op.code == Program::kBitOr ||
        (op.code >= Program::kHexaToDec && op.code <= Program::kHexaToString))
      return true;
  return false;
}

bool Compiler::assigns(const Expression& node) {
  if (node.getKind() != kind::kOperator) return false;
  const auto& op = static_cast<const NonTerminalExpression&>(node);
  if (op.operation() == Program::kAssign) return true;
  for (int i = 0; i < 3; ++i)
    if (op.operand(i) != nullptr && assigns(*op.operand(i))) return true;
  return false;
}

// At most one slot per operand pushed: enough, though not the least.
size_t Compiler::depthOf(const std::vector<Program::Op>& code) {
  size_t depth = 0;
  for (const Program::Op& op : code)
    if (op.code == Program::kPush || op.code == Program::kLoad || op.code == Program::kOnce ||
        op.left != Program::kStack)
      ++depth;
  return depth;
}

// A binary operator whose operands are single literals or variables reads
// them in place instead of after their pushes.
void Compiler::emitBinary(Program::Code code, size_t start, size_t rightStart) {
  std::vector<Program::Op>& ops = program_->code_;
  Program::Op op;
  op.code = code;
  const auto source = [this](const Program::Op& leaf) {
    if (leaf.code == Program::kPush) return Program::kLiteral;
    return leaf.code == Program::kLoad && !program_->assigns_ ? Program::kVariable
                                                              : Program::kStack;
  };
  if (ops.size() == rightStart + 1 && source(ops.back()) != Program::kStack) {
    op.right = source(ops.back());
    op.arg2 = ops.back().arg;
    ops.pop_back();
    if (rightStart == start + 1 && source(ops.back()) != Program::kStack) {
      op.left = source(ops.back());
      op.arg = ops.back().arg;
      ops.pop_back();
    }
  }
  ops.push_back(op);
}

void Compiler::missing(const NonTerminalExpression* node, const char* what) {
  int32_t reason = -1;
  if (node != nullptr) {
    reason = static_cast<int32_t>(program_->reasons_.size());
    // Appended, not "'" + ...: GCC 12 at -O3 warns falsely of an overlap in that form.
    std::string text = "'";
    text.append(node->symbol()).append("' has no ").append(what);
    program_->reasons_.push_back(std::move(text));
  }
  emit(Program::kFail, status::kMissingOperand, reason);
}

size_t Compiler::emit(Program::Code code, int32_t arg, int32_t arg2) {
  Program::Op op;
  op.code = code;
  op.arg = arg;
  op.arg2 = arg2;
  program_->code_.push_back(op);
  return program_->code_.size() - 1;
}

void Compiler::pushConstant(Value value) {
  program_->constants_.push_back(std::move(value));
  emit(Program::kPush, static_cast<int32_t>(program_->constants_.size() - 1));
}

void Compiler::mark(const Part& part) {
  if (part.once >= 0) emit(Program::kMark, part.once);
}

auto Compiler::part(const Expression* node) -> Part {
  Part p;
  if (node->holdsValue()) {
    p.value = valueOf(*node);
    pushConstant(p.value);
    p.constant = true;
    return p;
  }
  if (node->getKind() == kind::kOperator)
    return operatorPart(static_cast<const NonTerminalExpression&>(*node));
  if (node->getKind() != kind::kVariable) {
    emit(Program::kFail, status::kTypeError, -1);
    return p;
  }
  const int32_t slot = store_.variableSlot(static_cast<const VariableExpression&>(*node).name());
  if (slot < 0) {
    emit(Program::kFail,
         slot == ExpressionStore::kNotBound ? status::kUndefinedVariable : status::kTypeError, -1);
    return p;
  }
  emit(Program::kLoad, slot);
  program_->highestSlot_ = std::max(program_->highestSlot_, slot);
  return p;
}

// An assignment: the value, then the store into a variable still bound.
auto Compiler::assignment(const NonTerminalExpression& node, size_t start) -> Part {
  Part p;
  const Expression* target = node.operand(0);
  const Expression* value = node.operand(1);
  if (target == nullptr || value == nullptr) {
    emit(Program::kFail, status::kMissingOperand, -1);
    return p;
  }
  if (target->getKind() != kind::kVariable) {
    emit(Program::kFail, status::kTypeError, -1);
    return p;
  }
  const Part v = part(value);
  mark(v);
  // A target no longer bound is left unbound; the value is still the result.
  const int32_t slot = store_.variableSlot(static_cast<const VariableExpression&>(*target).name());
  if (slot >= 0) {
    emit(Program::kAssign, slot);
    program_->highestSlot_ = std::max(program_->highestSlot_, slot);
    program_->assigns_ = true;
  }
  p.constant = v.constant;
  p.assigns = true;
  p.rule = v.rule;
  return fold(start, p);
}

// A unary operator after its operand; "not" inverts the status rule.
auto Compiler::unaryPart(const NonTerminalExpression& node, Program::Code code, size_t start)
    -> Part {
  Part p;
  const Expression* operand = node.operand(0);
  if (operand == nullptr) {
    missing(&node, "operand");
    return p;
  }
  const Part o = part(operand);
  mark(o);
  emit(code);
  p.constant = o.constant;
  p.assigns = o.assigns;
  p.rule = code == Program::kNot ? inverse(o.rule) : o.rule;
  return fold(start, p);
}

// A binary operator's two operands; false, the missing one reported, when one
// is absent.
bool Compiler::bothOperands(const NonTerminalExpression& node, const Expression*& left,
                            const Expression*& right) {
  left = node.operand(0);
  right = node.operand(1);
  if (left != nullptr && right != nullptr) return true;
  missing(&node, left != nullptr ? "right operand" : "left operand");
  return false;
}

auto Compiler::operatorPart(const NonTerminalExpression& node) -> Part {
  const size_t start = program_->code_.size();
  const Program::Code code = node.operation();
  if (code == Program::kAndTest || code == Program::kOrTest) return logical(node, code);
  if (code == Program::kIfFalse) return conditional(node);
  if (code == Program::kAssign) return assignment(node, start);
  if (code >= Program::kNegative) return unaryPart(node, code, start);
  Part p;
  const Expression* left = nullptr;
  const Expression* right = nullptr;
  if (!bothOperands(node, left, right)) return p;
  const Part l = part(left);
  const size_t rightStart = program_->code_.size();
  const Part r = part(right);
  if (l.once >= 0 || r.once >= 0) {
    mark(l);
    mark(r);
    emit(code);
  } else {
    emitBinary(code, start, rightStart);
  }
  p.constant = l.constant && r.constant;
  p.assigns = l.assigns || r.assigns;
  p.rule = code >= Program::kEqual ? StatusRule::kTruth : StatusRule::kZero;
  return fold(start, p);
}

// [left] test->decided [right] check (marks) jump->end decided: (mark) end:
auto Compiler::logical(const NonTerminalExpression& node, Program::Code test) -> Part {
  const size_t start = program_->code_.size();
  Part p;
  p.rule = StatusRule::kTruth;
  const Expression* left = nullptr;
  const Expression* right = nullptr;
  if (!bothOperands(node, left, right)) return p;
  const Part l = part(left);
  const size_t testAt = emit(test);
  const Part r = part(right);
  // A comparison or logical operator gives a truth value or fails: no check.
  Program::Code rightOperation = Program::kEnd;
  if (right->getKind() == kind::kOperator)
    rightOperation = static_cast<const NonTerminalExpression&>(*right).operation();
  const bool truthValued =
      (rightOperation >= Program::kEqual && rightOperation <= Program::kGreaterEqual) ||
      rightOperation == Program::kAndTest || rightOperation == Program::kOrTest ||
      (r.constant && r.value.kind == kind::kBool);
  if (!truthValued) emit(test == Program::kAndTest ? Program::kCheckAnd : Program::kCheckOr);
  size_t jumpAt = 0;
  if (l.once >= 0 || r.once >= 0) {
    mark(l);
    mark(r);
    jumpAt = emit(Program::kJump);
  }
  program_->code_[testAt].arg = static_cast<int32_t>(program_->code_.size());
  if (jumpAt != 0) {
    mark(l);
    program_->code_[jumpAt].arg = static_cast<int32_t>(program_->code_.size());
  }
  const bool decides =
      l.constant && l.value.kind == kind::kBool && l.value.truth == (test == Program::kOrTest);
  p.constant = l.constant && !decides && r.constant;
  p.assigns = l.assigns || r.assigns;
  return fold(start, p);
}

// [condition] if-false->else [then] (marks) jump->end else: [else] (marks) end:
auto Compiler::conditional(const NonTerminalExpression& node) -> Part {
  const size_t start = program_->code_.size();
  Part p;
  const Expression* condition = node.operand(0);
  const Expression* then = node.operand(1);
  const Expression* otherwise = node.operand(2);
  if (condition == nullptr || then == nullptr) {
    missing(&node, condition != nullptr ? "value after it" : "condition before it");
    return p;
  }
  const Part c = part(condition);
  const size_t testAt = emit(Program::kIfFalse);
  const Part t = part(then);
  mark(c);
  mark(t);
  const size_t jumpAt = emit(Program::kJump);
  program_->code_[testAt].arg = static_cast<int32_t>(program_->code_.size());
  Part e;
  if (otherwise != nullptr) {
    e = part(otherwise);
    mark(c);
    mark(e);
  } else {
    missing(&node, "':' part for a false condition");
  }
  program_->code_[jumpAt].arg = static_cast<int32_t>(program_->code_.size());
  const Part& chosen = c.value.truth ? t : e;
  p.constant = c.constant && c.value.kind == kind::kBool && chosen.constant &&
               (c.value.truth || otherwise != nullptr);
  p.assigns = c.assigns || t.assigns || e.assigns;
  return fold(start, p);
}

auto Compiler::fold(size_t start, Part p) -> Part {
  if (!p.constant) return p;
  if (!evaluate(start, p.value)) {
    p.constant = false;
    return p;
  }
  std::vector<Program::Op>& code = program_->code_;
  if (!p.assigns) {
    code.resize(start);
    pushConstant(p.value);
    return p;
  }
  // Jumps inside the part that land past its start move with it.
  for (size_t i = start; i < code.size(); ++i) {
    if (jumps(code[i].code) && code[i].arg > static_cast<int32_t>(start)) ++code[i].arg;
    if (code[i].code == Program::kOnce) ++code[i].arg2;
  }
  p.once = static_cast<int>(program_->onceValues_.size());
  program_->onceValues_.push_back(p.value);
  program_->ran_.push_back(false);
  Program::Op once;
  once.code = Program::kOnce;
  once.arg = p.once;
  once.arg2 = static_cast<int32_t>(code.size() + 1);
  code.insert(code.begin() + static_cast<std::ptrdiff_t>(start), once);
  return p;
}

bool Compiler::evaluate(size_t start, Value& value) {
  Program part;
  const std::vector<Program::Op>& code = program_->code_;
  for (size_t i = start; i < code.size(); ++i) {
    Program::Op op = code[i];
    if (jumps(op.code)) op.arg -= static_cast<int32_t>(start);
    if (op.code == Program::kOnce) op.arg2 -= static_cast<int32_t>(start);
    part.code_.push_back(op);
  }
  part.maxDepth_ = depthOf(part.code_);
  part.buildsTexts_ = buildsTexts(part);
  part.assigns_ = program_->assigns_;
  part.constants_ = program_->constants_;
  part.reasons_ = program_->reasons_;
  part.seal();
  part.onceValues_ = program_->onceValues_;
  part.ran_.assign(program_->ran_.size(), false);
  // A constant part reads no variable, but may assign one: into nothing.
  std::vector<Value> scratch(static_cast<size_t>(program_->highestSlot_ + 1));
  const std::string reason = failure();
  Slot out;
  const int s = part.run({nullptr, scratch.data()}, out);
  if (s >= 0) value = ownedCopy(out);
  failure() = reason;
  return s >= 0;
}

}  // namespace mask
