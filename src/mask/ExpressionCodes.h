#pragma once

#include <cstdint>
#include <string>

// Node kinds: the parser and the operators dispatch on them, and stored masks
// were written against these exact values.
namespace kind {
enum : int32_t { kVariable = 4, kDouble = 5, kChar = 6, kLong = 7, kBool = 8, kOperator = 20 };
}  // namespace kind

// Status codes shared by every operation of the engine. Non-negative is success.
namespace status {
// Success, and the value does not depend on any variable: it may replace its subtree.
constexpr int kConstant = 3;
constexpr int kFalse = 2;
constexpr int kTrue = 1;
constexpr int kOk = 0;
// Operand kinds not accepted, malformed text, or a variable bound to a foreign kind.
constexpr int kTypeError = -2;
constexpr int kSyntaxError = -2;
// Not supported by this node, no operand value, or a function argument of a wrong kind.
constexpr int kUnsupported = -3;
constexpr int kMissingOperand = -4;
constexpr int kUndefinedVariable = -5;
// An operand of && or || produced no value.
constexpr int kNoLogicalValue = -7;

inline int fromTruth(bool truth) {
  return truth ? kTrue : kFalse;
}
// Writes an accessor's answer and gives its status.
template <class T, class V>
int answer(T& out, const V& value, int s = kOk) {
  out = value;
  return s;
}
}  // namespace status

namespace mask {
// Why the last parse or evaluation on this thread failed, in words: a status
// only tells the kind of failure. The first cause found (the innermost) is kept.
std::string& failure();
void fail(std::string reason);
// Set when a parse or evaluation starts; failure() empties itself on its next
// use, so that a run that does not fail costs no clearing of a text.
extern constinit thread_local bool tFailureStale;
inline void forgetFailure() {
  tFailureStale = true;
}
// "integer", "real", "text", "truth value" or "operator".
const char* kindName(int32_t nodeKind);
}  // namespace mask
