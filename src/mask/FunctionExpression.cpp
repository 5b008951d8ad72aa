#include "mask/FunctionExpression.h"

#include <cstdio>
#include <cstring>

#include "BByteArray.h"
#include "mask/Tokenizer.h"
#include "mask/ValueConversion.h"
#include "mask/ValueExpression.h"

namespace {

// Width rule: bitWidth/8 bytes rounded up, two digits each, at most 8
// characters; width 0 prints the value without leading zeros.
int hexaToString(const Expression& value, Node& out) {
  if (value.getKind() != kind::kLong) return status::kUnsupported;
  const auto& v = static_cast<const LongExpression&>(value);
  if (v.bitWidth() > 32) return status::kUnsupported;
  const int digits = v.bitWidth() > 0 ? 2 * ((v.bitWidth() + 7) / 8) : 0;
  char buffer[9];
  std::snprintf(buffer, sizeof(buffer), "%0*X", digits, static_cast<unsigned>(v.value()));
  put<CharExpression>(out, buffer);
  return status::kOk;
}

// Reading rule: a text is read in base 16 with 32-bit saturation, an integer
// is taken as it is; the result is a text, not a number.
int hexaToDec(const Expression& value, Node& out) {
  int32_t number = 0;
  if (value.getKind() == kind::kChar)
    number = mask::readHex32(static_cast<const CharExpression&>(value).text().c_str());
  else if (value.getKind() == kind::kLong)
    number = static_cast<const LongExpression&>(value).value();
  else
    return status::kUnsupported;
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "%d", number);
  put<CharExpression>(out, buffer);
  return status::kOk;
}

// Decoding rule: an integer is printed in hexadecimal and padded to an even
// digit count; the host's byte array decodes the digits pairwise.
int hexaToAscii(const Expression& value, Node& out) {
  if (value.getKind() != kind::kLong && value.getKind() != kind::kChar) return status::kUnsupported;
  std::string hex;
  value.getString(hex);
  if (value.getKind() == kind::kLong && hex.size() % 2 != 0) hex.insert(hex.begin(), '0');
  const BByteArray bytes(hex.c_str());
  const std::vector<unsigned char>& array = bytes.getArray();
  put<CharExpression>(out, std::string(array.begin(), array.end()));
  return status::kOk;
}

// Reading rule: base 16 with 32-bit saturation, as $HexaToDec$; texts only.
int stringToLong(const Expression& value, Node& out) {
  if (value.getKind() != kind::kChar) return status::kUnsupported;
  put<LongExpression>(
      out, mask::readHex32(static_cast<const CharExpression&>(value).text().c_str()), 32);
  return status::kOk;
}

template <class T>
Node make(Node argument) {
  return std::make_unique<T>(std::move(argument));
}

constexpr FunctionRule kFunctions[] = {
    {"HexaToDec", token::kHexaToDec, make<HexaToDecExpression>, hexaToDec},
    {"HexaToAscii", token::kHexaToAscii, make<HexaToAsciiExpression>, hexaToAscii},
    {"HexaToString", token::kHexaToString, make<HexaToStringExpression>, hexaToString},
    {"StringToLong", token::kStringToLong, make<StringToLongExpression>, stringToLong},
};

}  // namespace

const FunctionRule* findFunction(const char* begin, const char* end) {
  for (const FunctionRule& rule : kFunctions)
    if (std::strlen(rule.name) == static_cast<size_t>(end - begin) &&
        std::memcmp(rule.name, begin, end - begin) == 0)
      return &rule;
  return nullptr;
}

const FunctionRule* findFunction(signed char code) {
  for (const FunctionRule& rule : kFunctions)
    if (rule.code == code) return &rule;
  return nullptr;
}

FunctionExpression::FunctionExpression(signed char code, Node argument)
    : UnaryExpression(L'$', std::move(argument)), rule_(*findFunction(code)) {}

std::string FunctionExpression::symbol() const {
  return std::string("$") + rule_.name + "$";
}

int FunctionExpression::apply(const Expression& value, Node& out) const {
  return rule_.apply(value, out);
}
