#include "mask/HexaToAsciiExpression.h"

#include <cstdio>

#include "BByteArray.h"
#include "mask/CharExpression.h"
#include "mask/LongExpression.h"

std::unique_ptr<Expression> HexaToAsciiExpression::clone() const {
  return std::make_unique<HexaToAsciiExpression>(cloneOf(operand_));
}

int HexaToAsciiExpression::toString(std::wstring& text) const {
  return printUnary(L"[$HexaToAscii$, ", text);
}

// Decoding rule: an integer is printed in hexadecimal and padded to an even
// digit count; the host's byte array decodes the digits pairwise.
int HexaToAsciiExpression::apply(const Expression& value, std::unique_ptr<Expression>& out) const {
  std::string hex;
  if (value.getKind() == kind::kLong) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%X",
                  static_cast<unsigned>(static_cast<const LongExpression&>(value).value()));
    hex = buffer;
    if (hex.size() % 2 != 0) hex.insert(hex.begin(), '0');
  } else if (value.getKind() == kind::kChar) {
    hex = static_cast<const CharExpression&>(value).text();
  } else {
    return status::kUnsupported;
  }
  const BByteArray bytes(hex.c_str());
  const std::vector<unsigned char>& array = bytes.getArray();
  out = std::make_unique<CharExpression>(std::string(array.begin(), array.end()));
  return status::kOk;
}
