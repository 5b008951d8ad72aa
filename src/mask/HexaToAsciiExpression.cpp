#include "mask/HexaToAsciiExpression.h"

#include "BByteArray.h"
#include "mask/CharExpression.h"

std::unique_ptr<Expression> HexaToAsciiExpression::clone() const {
  return std::make_unique<HexaToAsciiExpression>(cloneOf(operand_));
}

int HexaToAsciiExpression::toString(std::wstring& text) const {
  return printUnary(L"[$HexaToAscii$, ", text);
}

// Decoding rule: an integer is printed in hexadecimal and padded to an even
// digit count; the host's byte array decodes the digits pairwise.
int HexaToAsciiExpression::apply(const Expression& value, std::unique_ptr<Expression>& out) const {
  if (value.getKind() != kind::kLong && value.getKind() != kind::kChar) return status::kUnsupported;
  std::string hex;
  value.getString(hex);
  if (value.getKind() == kind::kLong && hex.size() % 2 != 0) hex.insert(hex.begin(), '0');
  const BByteArray bytes(hex.c_str());
  const std::vector<unsigned char>& array = bytes.getArray();
  out = std::make_unique<CharExpression>(std::string(array.begin(), array.end()));
  return status::kOk;
}
