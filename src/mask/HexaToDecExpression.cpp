#include "mask/HexaToDecExpression.h"

#include <cstdio>

#include "mask/CharExpression.h"
#include "mask/LongExpression.h"
#include "mask/ValueConversion.h"

std::unique_ptr<Expression> HexaToDecExpression::clone() const {
  return std::make_unique<HexaToDecExpression>(cloneOf(operand_));
}

int HexaToDecExpression::toString(std::wstring& text) const {
  return printUnary(L"[$HexaToDec$, ", text);
}

// Reading rule: a text is read in base 16 with 32-bit saturation, an integer
// is taken as it is; the result is a text, not a number.
int HexaToDecExpression::apply(const Expression& value, std::unique_ptr<Expression>& out) const {
  int32_t number = 0;
  if (value.getKind() == kind::kChar)
    number = mask::readHex32(static_cast<const CharExpression&>(value).text().c_str());
  else if (value.getKind() == kind::kLong)
    number = static_cast<const LongExpression&>(value).value();
  else
    return status::kUnsupported;
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "%d", number);
  out = std::make_unique<CharExpression>(buffer);
  return status::kOk;
}
