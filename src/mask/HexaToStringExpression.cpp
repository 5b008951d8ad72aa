#include "mask/HexaToStringExpression.h"

#include <cstdio>

#include "mask/CharExpression.h"
#include "mask/LongExpression.h"

std::unique_ptr<Expression> HexaToStringExpression::clone() const {
  return std::make_unique<HexaToStringExpression>(cloneOf(operand_));
}

int HexaToStringExpression::toString(std::wstring& text) const {
  return printUnary(L"[$HexaToString$, ", text);
}

// Width rule: bitWidth/8 bytes rounded up, two digits each, at most 8
// characters; width 0 prints the value without leading zeros.
int HexaToStringExpression::apply(const Expression& value, std::unique_ptr<Expression>& out) const {
  if (value.getKind() != kind::kLong) return status::kUnsupported;
  const auto& v = static_cast<const LongExpression&>(value);
  if (v.bitWidth() > 32) return status::kUnsupported;
  const int digits = v.bitWidth() > 0 ? 2 * ((v.bitWidth() + 7) / 8) : 0;
  char buffer[9];
  std::snprintf(buffer, sizeof(buffer), "%0*X", digits, static_cast<unsigned>(v.value()));
  out = std::make_unique<CharExpression>(buffer);
  return status::kOk;
}
