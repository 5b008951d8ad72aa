#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "mask/ExpressionCodes.h"

namespace mask {

// A value the store keeps: a variable's, a constant text's, a literal of a program.
struct Value {
  int32_t kind = kind::kLong;
  int32_t bitWidth = 0;  // integers only
  int32_t integer = 0;
  bool truth = false;
  double real = 0;
  std::string text;  // cut at its first NUL, as the language's texts are

  static Value ofLong(int32_t v, int32_t width) {
    Value out;
    out.integer = v;
    out.bitWidth = width;
    return out;
  }
};

// A value on the evaluation stack: numbers in place, a text only viewed (in a
// literal, a variable or the thread's scratch texts), so pushing copies nothing.
struct Slot {
  int32_t kind;
  int32_t bitWidth;
  union {
    int32_t integer;
    double real;
    bool truth;
  };
  const char* text;
  size_t length;
};

inline Slot viewOf(const Value& value) {
  Slot s;
  s.kind = value.kind;
  s.bitWidth = value.bitWidth;
  s.real = value.real;
  if (value.kind == kind::kLong) s.integer = value.integer;
  if (value.kind == kind::kBool) s.truth = value.truth;
  s.text = value.text.c_str();
  s.length = value.text.size();
  return s;
}
Value ownedCopy(const Slot& slot);
// The numeric reading of a result: 1 or 2 for a truth value (1.0 / 0.0), 0 for
// a number, -3 for a text (result untouched).
inline int readDouble(const Slot& slot, double& result) {
  switch (slot.kind) {
    case kind::kBool:
      result = slot.truth ? 1.0 : 0.0;
      return status::fromTruth(slot.truth);
    case kind::kLong:
      result = slot.integer;
      return status::kOk;
    case kind::kDouble:
      result = slot.real;
      return status::kOk;
    default:
      return status::kUnsupported;
  }
}

// What a program's root answers besides its value, when it is not constant.
enum class StatusRule : uint8_t { kZero, kTruth, kInverseTruth };

// A mask compiled to postfix code: one flat, immutable array run by one loop,
// variables read by slot number. Running allocates nothing unless a text is
// built. A program that assigns also writes variables and remembers which of
// its constant parts have run once (they are not repeated); the store runs
// such programs one at a time.
class Program {
 public:
  enum Code : uint8_t {
    kPush,  // constant #arg
    kLoad,  // variable #arg
    kAdd,
    kSub,
    kMul,
    kDiv,
    kBitAnd,
    kBitOr,
    kBitTest,
    kEqual,
    kDifferent,
    kLess,
    kGreater,
    kLessEqual,
    kGreaterEqual,
    kNegative,
    kNot,
    kHexaToDec,
    kHexaToAscii,
    kHexaToString,
    kStringToLong,
    kAndTest,   // a truth value; false jumps to arg keeping it, true pops it
    kOrTest,    // the same, deciding on true
    kCheckAnd,  // the right operand of && must be a truth value
    kCheckOr,   // of ||
    kIfFalse,   // pops a truth value; false jumps to arg
    kJump,      // to arg
    kFail,      // status arg, and reason #arg2 when it is not negative
    kAssign,    // variable #arg takes a copy of the top
    kOnce,      // part #arg ran before: push its value (constant #arg's) and jump to end
    kMark,      // part #arg has run
    kEnd,       // the bound of the code, never in it
  };
  // Where a binary operator takes an operand: a variable or a literal read in
  // place saves pushing it first.
  enum Source : uint8_t { kStack, kVariable, kLiteral };
  struct Op {
    Code code;
    Source left = kStack;   // #arg
    Source right = kStack;  // #arg2
    int32_t arg = 0;
    int32_t arg2 = 0;
  };

  // What a run reads: the variables' views, or, for a program that assigns,
  // the values it also writes.
  struct Variables {
    const Slot* views;
    Value* writable;
  };

  // Runs to a value: the status (3 constant, 0/1/2 by the root's rule) and the
  // value in out, or a negative status with the reason in failure().
  int run(const Variables& variables, Slot& out) const;

  bool assigns() const { return assigns_; }
  bool empty() const { return code_.empty(); }
  // The highest variable slot read or written, or -1.
  int32_t highestSlot() const { return highestSlot_; }

 private:
  friend class Compiler;

  // Views of the literals are pushed by copying: a view built field by field
  // and then copied whole stalls the processor.
  void seal();
  const Slot* right(const Op& op, Slot*& top, const Slot* views) const;
  const Slot* left(const Op& op, Slot* top, const Slot* views) const;
  void load(const Op& op, Slot* top, const Variables& variables) const;
  int arithmeticStep(const Op& op, Slot*& top, const Slot* views) const;
  int bitStep(const Op& op, Slot*& top, const Slot* views) const;
  int compareStep(const Op& op, Slot*& top, const Slot* views) const;
  Slot* stackFor(Slot* local, size_t localDepth) const;
  int branchStep(const Op*& op, Slot*& top, const Op* first) const;
  void onceStep(const Op*& op, Slot*& top, const Op* first) const;
  int failStep(const Op& op) const;
  int finish(const Slot& top, Slot& out) const;

  std::vector<Op> code_;
  std::vector<Value> constants_;
  std::vector<Slot> literals_;
  std::vector<std::string> reasons_;
  // Constant parts with an assignment inside: the value each gives, and
  // whether it ran (guarded by the store's writer lock, as every run of a
  // program that assigns).
  std::vector<Value> onceValues_;
  mutable std::vector<bool> ran_;
  size_t maxDepth_ = 0;
  int32_t highestSlot_ = -1;
  bool constant_ = false;
  bool assigns_ = false;
  bool buildsTexts_ = false;
  StatusRule rule_ = StatusRule::kZero;
};

// Texts built while running, reused from run to run so that a warm thread
// allocates nothing; valid until the thread's next run.
class ScratchTexts {
 public:
  static ScratchTexts& ofThisThread();
  void reset() { used_ = 0; }
  std::string& next();

 private:
  std::deque<std::string> texts_;
  size_t used_ = 0;
};

}  // namespace mask
