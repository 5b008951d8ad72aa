#include "mask/BinaryExpression.h"

BinaryExpression::BinaryExpression(const wchar_t* opening, Node left, Node right)
    : opening_(opening), left_(std::move(left)), right_(std::move(right)) {
  assigns_ = mayAssign(left_) || mayAssign(right_);
}

// Operators with their own evaluation (&&, ||, =) never combine.
int BinaryExpression::combine(const Expression&, const Expression&, Node&) const {
  return status::kTypeError;
}

// Binary rule: left then right, the operator over their values, then folding
// of each constant operand; the result is constant when both operands are.
int BinaryExpression::evaluateLent(OperandValue& value, bool fold) {
  if (!left_ || !right_) return missing(left_ ? "right operand" : "left operand");
  OperandValue left;
  OperandValue right;
  // The right operand may rebind the variable the left one would lend.
  const int sL = evaluateOperand(left_, fold, mayAssign(right_) ? Use::kCopy : Use::kLend, left);
  if (sL < 0) return sL;
  const int sR = evaluateOperand(right_, fold, Use::kLend, right);
  if (sR < 0) return sR;
  if (left.value == nullptr || right.value == nullptr) return status::kUnsupported;
  const int s = combine(*left.value, *right.value, result_);
  if (s < 0) refuse(s, left.value, right.value);
  keep(left_, left, sL, fold);
  keep(right_, right, sR, fold);
  if (s < 0) return s;
  value.value = result_.get();
  return sL == status::kConstant && sR == status::kConstant ? status::kConstant : s;
}

int BinaryExpression::toString(std::wstring& text) const {
  std::wstring left;
  std::wstring right;
  int s = printOperand(left_, printsMissingAsEmpty(), left);
  if (s >= 0) s = printOperand(right_, printsMissingAsEmpty(), right);
  if (s < 0) return s;
  text = opening_ + left + L", " + right + L"]";
  return status::kOk;
}

std::string BinaryExpression::symbol() const {
  std::string out;
  for (const wchar_t* c = opening_ + 1; *c != L',' && *c != 0; ++c) out += static_cast<char>(*c);
  return out;
}

int BinaryExpression::longAsDouble(double& value) const {
  int32_t v = 0;
  const int s = getLong(v);
  if (s < 0) return s;
  value = v;
  return status::kOk;
}
