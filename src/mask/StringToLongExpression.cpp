#include "mask/StringToLongExpression.h"

#include "mask/CharExpression.h"
#include "mask/LongExpression.h"
#include "mask/ValueConversion.h"

std::unique_ptr<Expression> StringToLongExpression::clone() const {
  return std::make_unique<StringToLongExpression>(cloneOf(operand_));
}

int StringToLongExpression::toString(std::wstring& text) const {
  return printUnary(L"[$StringToLong$, ", text);
}

// Reading rule: base 16 with 32-bit saturation, as $HexaToDec$; texts only.
int StringToLongExpression::apply(const Expression& value, std::unique_ptr<Expression>& out) const {
  if (value.getKind() != kind::kChar) return status::kUnsupported;
  out = std::make_unique<LongExpression>(
      mask::readHex32(static_cast<const CharExpression&>(value).text().c_str()), 32);
  return status::kOk;
}
