#include "mask/BitwiseExpression.h"

#include <algorithm>

#include "mask/CharExpression.h"
#include "mask/LongExpression.h"

std::string BitwiseExpression::bytewise(const std::string& a, const std::string& b) const {
  std::string out(std::min(a.size(), b.size()), '\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(
        apply(static_cast<unsigned char>(a[i]), static_cast<unsigned char>(b[i])));
  return out;
}

// Bitwise rule: reals are truncated toward zero and the result keeps the left
// operand's bit width (32 for a real); two texts combine byte by byte up to
// the shorter length.
int BitwiseExpression::combine(const Expression& left, const Expression& right,
                               std::unique_ptr<Expression>& out) const {
  if (isNumber(left) && isNumber(right)) {
    const int32_t width =
        left.getKind() == kind::kLong ? static_cast<const LongExpression&>(left).bitWidth() : 32;
    out = std::make_unique<LongExpression>(apply(numberAsInt32(left), numberAsInt32(right)), width);
    return status::kOk;
  }
  if (left.getKind() == kind::kChar && right.getKind() == kind::kChar) {
    out = std::make_unique<CharExpression>(
        bytewise(static_cast<const CharExpression&>(left).text(),
                 static_cast<const CharExpression&>(right).text()));
    return status::kOk;
  }
  return status::kTypeError;
}

int BitwiseExpression::getString(std::string& text) const {
  if (!left_ || !right_) return status::kMissingOperand;
  std::string a;
  std::string b;
  int s = left_->getString(a);
  if (s < 0) return s;
  s = right_->getString(b);
  if (s < 0) return s;
  text = bytewise(a, b);
  return status::kOk;
}

int BitwiseExpression::getDouble(double& value) const {
  return longAsDouble(value);
}

int BitwiseExpression::getLong(int32_t& value) const {
  int32_t a = 0;
  int32_t b = 0;
  const int s = readLongs(a, b);
  if (s < 0) return s;
  value = apply(a, b);
  return status::kOk;
}
