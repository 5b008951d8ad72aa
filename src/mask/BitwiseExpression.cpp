#include "mask/BitwiseExpression.h"

#include <algorithm>

#include "mask/ValueExpression.h"

BitwiseExpression::BitwiseExpression(Code code, Node left, Node right)
    : BinaryExpression(code == kBitAnd  ? L"[&, "
                       : code == kBitOr ? L"[|, "
                                        : L"[#, ",
                       std::move(left), std::move(right)),
      code_(code) {}

// Bit 0 is the least significant; a negative index counts as 0, and the index
// wraps at 32, so 32 tests bit 0 again.
int32_t BitwiseExpression::apply(int32_t a, int32_t b) const {
  if (code_ == kBitAnd) return a & b;
  if (code_ == kBitOr) return a | b;
  return static_cast<int32_t>((static_cast<uint32_t>(a) >> (std::max(b, 0) % 32)) & 1u);
}

std::string BitwiseExpression::bytewise(const std::string& a, const std::string& b) const {
  std::string out(std::min(a.size(), b.size()), '\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(
        apply(static_cast<unsigned char>(a[i]), static_cast<unsigned char>(b[i])));
  return out;
}

// Bitwise rule: the result keeps the left operand's bit width (32 for a real),
// a bit test's is 1; only & and | take texts.
int BitwiseExpression::combine(const Expression& left, const Expression& right, Node& out) const {
  if (isNumber(left) && isNumber(right)) {
    int32_t width = 1;
    if (code_ != kBitTest)
      width =
          left.getKind() == kind::kLong ? static_cast<const LongExpression&>(left).bitWidth() : 32;
    put<LongExpression>(out, apply(numberAsInt32(left), numberAsInt32(right)), width);
    return status::kOk;
  }
  if (code_ != kBitTest && left.getKind() == kind::kChar && right.getKind() == kind::kChar) {
    put<CharExpression>(out, bytewise(static_cast<const CharExpression&>(left).text(),
                                      static_cast<const CharExpression&>(right).text()));
    return status::kOk;
  }
  return status::kTypeError;
}

int BitwiseExpression::getString(std::string& text) const {
  return readBoth(&Expression::getString, [&](const std::string& a, const std::string& b) {
    return status::answer(text, bytewise(a, b));
  });
}

int BitwiseExpression::getLong(int32_t& value) const {
  return readBoth(&Expression::getLong,
                  [&](int32_t a, int32_t b) { return status::answer(value, apply(a, b)); });
}
