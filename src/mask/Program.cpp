#include "mask/Program.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "mask/SlotValues.h"
#include "mask/ValueConversion.h"

namespace mask {

namespace {

bool isNumber(const Slot& s) {
  return s.kind == kind::kLong || s.kind == kind::kDouble;
}
double asDouble(const Slot& s) {
  return s.kind == kind::kLong ? s.integer : s.real;
}
int32_t asInt32(const Slot& s) {
  return s.kind == kind::kLong ? s.integer : truncToInt32(s.real);
}

// Field by field, each read as wide as it was written: the slot was just
// written in pieces, and a wider read (the compiler merges neighbours unless
// fenced) waits for those stores to drain, a third of a short mask's time.
void copyOut(const Slot& from, Slot& to) {
  to.kind = from.kind;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  switch (from.kind) {
    case kind::kBool:
      to.truth = from.truth;
      break;
    case kind::kLong:
      to.integer = from.integer;
      std::atomic_signal_fence(std::memory_order_seq_cst);
      to.bitWidth = from.bitWidth;
      break;
    case kind::kDouble:
      to.real = from.real;
      break;
    default:
      to.text = from.text;
      to.length = from.length;
      break;
  }
}

const char* symbolOf(Program::Code code) {
  static const char* const kSymbols[] = {
      "",
      "",
      "+",
      "-",
      "*",
      "/",
      "&",
      "|",
      "#",
      "==",
      "!=",
      "<",
      ">",
      "<=",
      ">=",
      "-",
      "!",
      "$HexaToDec$",
      "$HexaToAscii$",
      "$HexaToString$",
      "$StringToLong$",
      "&&",
      "||",
      "&&",
      "||",
      "?",
  };
  return code < std::size(kSymbols) ? kSymbols[code] : "";
}

// Records why the operator refused its operands' kinds; gives s.
int refuse(int s, Program::Code code, const Slot& left, const Slot* right = nullptr) {
  std::string why = "'";
  why.append(symbolOf(code)).append("' cannot take ").append(kindName(left.kind));
  if (right != nullptr) why.append(" and ").append(kindName(right->kind));
  fail(why);
  return s;
}

// One comparison over two values, by the outcomes (less, equal, greater,
// unordered) that make it true: an unordered pair only for !=.
template <class T>
bool relate(Program::Code code, T a, T b) {
  static constexpr unsigned kTrueFor[] = {0b0010, 0b1101, 0b0001, 0b0100, 0b0011, 0b0110};
  const int outcome = a < b ? 0 : a == b ? 1 : a > b ? 2 : 3;
  return (kTrueFor[code - Program::kEqual] >> outcome) & 1u;
}

template <class T>
int calculate(Program::Code code, T a, T b, T& out) {
  switch (code) {
    case Program::kAdd:
      if constexpr (std::is_same_v<T, double>)
        out = a + b;
      else
        out = wrapAdd(a, b);
      return status::kOk;
    case Program::kSub:
      if constexpr (std::is_same_v<T, double>)
        out = a - b;
      else
        out = wrapSub(a, b);
      return status::kOk;
    case Program::kMul:
      if constexpr (std::is_same_v<T, double>)
        out = a * b;
      else
        out = wrapMul(a, b);
      return status::kOk;
    default:
      // A divisor equal to 0 is refused, an integer 0 as well as a real 0.0.
      if (b == 0) {
        fail("division by zero");
        return status::kTypeError;
      }
      if constexpr (std::is_same_v<T, double>)
        out = a / b;
      else
        out = wrapDiv(a, b);
      return status::kOk;
  }
}

// Arithmetic rule: integers stay integer with the wider bit width, a real
// makes the result real; two texts only for '+'.
int arithmetic(Program::Code code, Slot& l, const Slot& r) {
  int s = status::kOk;
  if (l.kind == kind::kLong && r.kind == kind::kLong) {
    int32_t v = 0;
    s = calculate<int32_t>(code, l.integer, r.integer, v);
    l.integer = v;
    l.bitWidth = std::max(l.bitWidth, r.bitWidth);
  } else if (isNumber(l) && isNumber(r)) {
    double v = 0;
    s = calculate<double>(code, asDouble(l), asDouble(r), v);
    l = realSlot(v);
  } else if (code == Program::kAdd && l.kind == kind::kChar && r.kind == kind::kChar) {
    std::string& joined = ScratchTexts::ofThisThread().next();
    joined.assign(l.text, l.length).append(r.text, r.length);
    l = textSlot(joined);
  } else {
    s = status::kTypeError;
  }
  return s < 0 ? refuse(s, code, l, &r) : s;
}

int32_t bitwise(Program::Code code, int32_t a, int32_t b) {
  if (code == Program::kBitAnd) return a & b;
  if (code == Program::kBitOr) return a | b;
  // Bit 0 is the least significant; a negative index counts as 0, and the
  // index wraps at 32.
  return static_cast<int32_t>((static_cast<uint32_t>(a) >> (std::max(b, 0) % 32)) & 1u);
}

// Bitwise rule: the result keeps the left operand's bit width (32 for a real),
// a bit test's is 1; & and | also combine two texts byte by byte.
int bits(Program::Code code, Slot& l, const Slot& r) {
  if (isNumber(l) && isNumber(r)) {
    const int32_t width = code == Program::kBitTest ? 1 : l.kind == kind::kLong ? l.bitWidth : 32;
    l = longSlot(bitwise(code, asInt32(l), asInt32(r)), width);
    return status::kOk;
  }
  if (code != Program::kBitTest && l.kind == kind::kChar && r.kind == kind::kChar) {
    std::string& out = ScratchTexts::ofThisThread().next();
    out.assign(std::min(l.length, r.length), '\0');
    for (size_t i = 0; i < out.size(); ++i)
      out[i] = static_cast<char>(bitwise(code, static_cast<unsigned char>(l.text[i]),
                                         static_cast<unsigned char>(r.text[i])));
    l = textSlot(out);
    return status::kOk;
  }
  return refuse(status::kTypeError, code, l, &r);
}

// Comparison rule: numbers as doubles, texts bytewise, truth values only for
// equality; any other pairing is a type error.
int compare(Program::Code code, Slot& l, const Slot& r) {
  bool truth = false;
  if (l.kind == kind::kLong && r.kind == kind::kLong) {
    truth = relate(code, l.integer, r.integer);
  } else if (isNumber(l) && isNumber(r)) {
    truth = relate(code, asDouble(l), asDouble(r));
  } else if (l.kind == kind::kChar && r.kind == kind::kChar) {
    truth = relate(code, std::strcmp(l.text, r.text), 0);
  } else if (l.kind == kind::kBool && r.kind == kind::kBool) {
    truth = (code == Program::kEqual && l.truth == r.truth) ||
            (code == Program::kDifferent && l.truth != r.truth);
  } else {
    return refuse(status::kTypeError, code, l, &r);
  }
  l.kind = kind::kBool;
  l.truth = truth;
  return status::fromTruth(truth);
}

// Unary rule: a kind the operator does not take is -3.
int unary(Program::Code code, Slot& v) {
  bool taken = false;
  switch (code) {
    case Program::kNegative:
      taken = isNumber(v);
      if (v.kind == kind::kLong) v.integer = wrapNeg(v.integer);
      if (v.kind == kind::kDouble) v.real = -v.real;
      break;
    case Program::kNot:
      taken = v.kind == kind::kBool;
      if (taken) v.truth = !v.truth;
      break;
    case Program::kHexaToDec:
      taken = hexaToDec(v);
      break;
    case Program::kHexaToAscii:
      taken = hexaToAscii(v);
      break;
    case Program::kHexaToString:
      taken = hexaToString(v);
      break;
    default:
      taken = stringToLong(v);
      break;
  }
  return taken ? status::kOk : refuse(status::kUnsupported, code, v);
}

}  // namespace

Value ownedCopy(const Slot& slot) {
  Value v;
  v.kind = slot.kind;
  switch (slot.kind) {
    case kind::kLong:
      v.integer = slot.integer;
      v.bitWidth = slot.bitWidth;
      break;
    case kind::kDouble:
      v.real = slot.real;
      break;
    case kind::kBool:
      v.truth = slot.truth;
      break;
    default:
      v.text.assign(slot.text, slot.length);
      break;
  }
  return v;
}

void Program::seal() {
  literals_.clear();
  for (const Value& value : constants_) literals_.push_back(viewOf(value));
}

ScratchTexts& ScratchTexts::ofThisThread() {
  thread_local ScratchTexts texts;
  return texts;
}

std::string& ScratchTexts::next() {
  if (used_ == texts_.size()) texts_.emplace_back();
  std::string& text = texts_[used_++];
  text.clear();
  return text;
}

// A binary operator's operands: the right one is popped when it is on the
// stack; a left one read in place leaves its result in a new slot.
inline const Slot* Program::right(const Op& op, Slot*& top, const Slot* views) const {
  return op.right == kStack      ? top--
         : op.right == kVariable ? &views[op.arg2]
                                 : &literals_[static_cast<size_t>(op.arg2)];
}
inline const Slot* Program::left(const Op& op, Slot* top, const Slot* views) const {
  return op.left == kStack      ? top
         : op.left == kVariable ? &views[op.arg]
                                : &literals_[static_cast<size_t>(op.arg)];
}

// A variable's value pushed; with writable variables, its text copied, since an
// assignment later in the run may replace it.
inline void Program::load(const Op& op, Slot* top, const Variables& variables) const {
  if (variables.writable == nullptr) {
    *top = variables.views[op.arg];
    return;
  }
  *top = viewOf(variables.writable[op.arg]);
  if (top->kind == kind::kChar)
    *top = textSlot(ScratchTexts::ofThisThread().next().assign(top->text, top->length));
}

// + - * /: two whole numbers other than a division combine here, the rest in arithmetic().
inline int Program::arithmeticStep(const Op& op, Slot*& top, const Slot* views) const {
  const Slot* r = right(op, top, views);
  const Slot* l = left(op, top, views);
  if (l->kind == kind::kLong && r->kind == kind::kLong && op.code != kDiv) {
    const int32_t v = op.code == kAdd   ? wrapAdd(l->integer, r->integer)
                      : op.code == kSub ? wrapSub(l->integer, r->integer)
                                        : wrapMul(l->integer, r->integer);
    const int32_t width = std::max(l->bitWidth, r->bitWidth);
    if (op.left != kStack) ++top;
    top->kind = kind::kLong;
    top->integer = v;
    top->bitWidth = width;
    return status::kOk;
  }
  if (op.left != kStack) *++top = *l;
  return arithmetic(op.code, *top, *r);
}

// & | and the bit test.
inline int Program::bitStep(const Op& op, Slot*& top, const Slot* views) const {
  const Slot* r = right(op, top, views);
  if (op.left != kStack) {
    const Slot* l = left(op, top, views);
    *++top = *l;
  }
  return bits(op.code, *top, *r);
}

// The comparisons: two whole numbers relate here, the rest in compare().
inline int Program::compareStep(const Op& op, Slot*& top, const Slot* views) const {
  const Slot* r = right(op, top, views);
  const Slot* l = left(op, top, views);
  if (l->kind == kind::kLong && r->kind == kind::kLong) {
    const bool truth = relate(op.code, l->integer, r->integer);
    if (op.left != kStack) ++top;
    top->kind = kind::kBool;
    top->truth = truth;
    return status::fromTruth(truth);
  }
  if (op.left != kStack) *++top = *l;
  return compare(op.code, *top, *r);
}

// Masks are short: a run's stack fits in this many slots of its own frame.
constexpr size_t kLocalDepth = 16;

// The stack of one run: local, or the thread's for a deeper program.
inline Slot* Program::stackFor(Slot* local, size_t localDepth) const {
  if (maxDepth_ <= localDepth) return local;
  thread_local std::vector<Slot> deep;
  if (deep.size() < maxDepth_) deep.resize(maxDepth_);
  return deep.data();
}

// && and || short-circuit on a truth, the checks of their right side, if and
// the jumps: op moves to the operation before its target.
inline int Program::branchStep(const Op*& op, Slot*& top, const Op* first) const {
  if (op->code == kJump) {
    op = first + op->arg - 1;
    return status::kOk;
  }
  if (top->kind != kind::kBool) return refuse(status::kTypeError, op->code, *top);
  if (op->code == kIfFalse) {
    if (!(top--)->truth) op = first + op->arg - 1;
  } else if (op->code == kAndTest || op->code == kOrTest) {
    if (top->truth == (op->code == kOrTest)) {
      op = first + op->arg - 1;
    } else {
      --top;
    }
  }
  return status::kOk;
}

// A constant part with an assignment runs once: later runs push its value and
// skip it.
inline void Program::onceStep(const Op*& op, Slot*& top, const Op* first) const {
  const auto part = static_cast<size_t>(op->arg);
  if (op->code == kMark) {
    ran_[part] = true;
  } else if (ran_[part]) {
    *++top = viewOf(onceValues_[part]);
    op = first + op->arg2 - 1;
  }
}

// A part that always fails: its reason, if it has one, recorded.
inline int Program::failStep(const Op& op) const {
  if (op.arg2 >= 0) fail(reasons_[static_cast<size_t>(op.arg2)]);
  return op.arg;
}

// The status of a run that ended on its value.
inline int Program::finish(const Slot& top, Slot& out) const {
  const bool isTruth = top.kind == kind::kBool;
  const bool truth = isTruth && top.truth;
  copyOut(top, out);
  if (constant_) return status::kConstant;
  if (rule_ == StatusRule::kZero || !isTruth) return status::kOk;
  return status::fromTruth(truth == (rule_ == StatusRule::kTruth));
}

// The loop: operands are pushed, operators combine the top slots in place;
// the first failure ends the run, as it ends every enclosing operator. The end
// is a bound, not an operation: one dispatch fewer per run.
int Program::run(const Variables& variables, Slot& out) const {
  Slot local[kLocalDepth];
  Slot* top = stackFor(local, kLocalDepth) - 1;
  if (buildsTexts_) ScratchTexts::ofThisThread().reset();
  const Op* const first = code_.data();
  const Op* const last = first + code_.size();
  for (const Op* op = first; op != last; ++op) {
    int s = status::kOk;
    switch (op->code) {
      case kPush:
        *++top = literals_[static_cast<size_t>(op->arg)];
        continue;
      case kLoad:
        load(*op, ++top, variables);
        continue;
      case kAdd:
      case kSub:
      case kMul:
      case kDiv:
        s = arithmeticStep(*op, top, variables.views);
        break;
      case kBitAnd:
      case kBitOr:
      case kBitTest:
        s = bitStep(*op, top, variables.views);
        break;
      case kEqual:
      case kDifferent:
      case kLess:
      case kGreater:
      case kLessEqual:
      case kGreaterEqual:
        s = compareStep(*op, top, variables.views);
        break;
      case kAndTest:
      case kOrTest:
      case kCheckAnd:
      case kCheckOr:
      case kIfFalse:
      case kJump:
        s = branchStep(op, top, first);
        break;
      case kFail:
        return failStep(*op);
      case kAssign:
        variables.writable[op->arg] = ownedCopy(*top);
        continue;
      case kOnce:
      case kMark:
        onceStep(op, top, first);
        continue;
      case kEnd:
        break;
      default:  // the unary operators
        s = unary(op->code, *top);
        break;
    }
    if (s < 0) return s;
  }
  return finish(*top, out);
}

}  // namespace mask
