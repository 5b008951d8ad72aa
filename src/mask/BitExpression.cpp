#include "mask/BitExpression.h"

#include "mask/LongExpression.h"

namespace {

// Bit 0 is the least significant; a negative index counts as 0, and the index
// wraps at 32, so 32 tests bit 0 again.
int32_t testBit(int32_t value, int32_t index) {
  if (index < 0) index = 0;
  return static_cast<int32_t>((static_cast<uint32_t>(value) >> (index % 32)) & 1u);
}

}  // namespace

std::unique_ptr<Expression> BitExpression::clone() const {
  return std::make_unique<BitExpression>(cloneOf(left_), cloneOf(right_));
}

// Binary rule: both operands, then combine below, then folding.
int BitExpression::evaluate(std::unique_ptr<Expression>& out, bool fold) {
  return evaluateBinary(out, fold);
}

int BitExpression::toString(std::wstring& text) const {
  return printBinary(L"[#, ", text);
}

// Bit test rule: two numbers (reals truncated toward zero) give the integer 0
// or 1 with bit width 1.
int BitExpression::combine(const Expression& left, const Expression& right,
                           std::unique_ptr<Expression>& out) const {
  if (!isNumber(left) || !isNumber(right)) return status::kTypeError;
  out = std::make_unique<LongExpression>(testBit(numberAsInt32(left), numberAsInt32(right)), 1);
  return status::kOk;
}

int BitExpression::getDouble(double& value) const {
  return longAsDouble(value);
}

int BitExpression::getLong(int32_t& value) const {
  int32_t a = 0;
  int32_t b = 0;
  const int s = readLongs(a, b);
  if (s < 0) return s;
  value = testBit(a, b);
  return status::kOk;
}
