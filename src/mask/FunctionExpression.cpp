#include "mask/FunctionExpression.h"

#include <cstring>

#include "mask/Tokenizer.h"

namespace {

template <class T>
Node make(Node argument) {
  return std::make_unique<T>(std::move(argument));
}

constexpr FunctionRule kFunctions[] = {
    {"HexaToDec", token::kHexaToDec, make<HexaToDecExpression>, mask::Program::kHexaToDec},
    {"HexaToAscii", token::kHexaToAscii, make<HexaToAsciiExpression>, mask::Program::kHexaToAscii},
    {"HexaToString", token::kHexaToString, make<HexaToStringExpression>,
     mask::Program::kHexaToString},
    {"StringToLong", token::kStringToLong, make<StringToLongExpression>,
     mask::Program::kStringToLong},
};

}  // namespace

const FunctionRule* findFunction(const char* begin, const char* end) {
  for (const FunctionRule& rule : kFunctions)
    if (std::strlen(rule.name) == static_cast<size_t>(end - begin) &&
        std::memcmp(rule.name, begin, static_cast<size_t>(end - begin)) == 0)
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

mask::Program::Code FunctionExpression::operation() const {
  return rule_.operation;
}
