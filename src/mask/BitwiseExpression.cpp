#include "mask/BitwiseExpression.h"

#include <algorithm>

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

mask::Program::Code BitwiseExpression::operation() const {
  return static_cast<mask::Program::Code>(static_cast<int>(mask::Program::kBitAnd) + code_);
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
