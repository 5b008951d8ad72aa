#pragma once

#include "mask/Tokenizer.h"
#include "mask/UnaryExpression.h"

struct FunctionRule;

// $Name$(argument): the conversion functions, each a unary node whose rule is
// its row of the function table. Accessors are not supported (-3).
class FunctionExpression : public UnaryExpression {
 public:
  FunctionExpression(signed char code, Node argument);

  std::string symbol() const override;
  mask::Program::Code operation() const override;

 private:
  const FunctionRule& rule_;
};

// An integer as upper-case hexadecimal text, two digits per byte of its bit width.
class HexaToStringExpression final
    : public Operator<HexaToStringExpression, FunctionExpression, token::kHexaToString> {
 public:
  using Operator::Operator;
};

// A hexadecimal text (or an integer) as decimal text.
class HexaToDecExpression final
    : public Operator<HexaToDecExpression, FunctionExpression, token::kHexaToDec> {
 public:
  using Operator::Operator;
};

// Hexadecimal digits (a text, or an integer's hexadecimal form) to the bytes they encode.
class HexaToAsciiExpression final
    : public Operator<HexaToAsciiExpression, FunctionExpression, token::kHexaToAscii> {
 public:
  using Operator::Operator;
};

// A hexadecimal text as a 32-bit integer.
class StringToLongExpression final
    : public Operator<StringToLongExpression, FunctionExpression, token::kStringToLong> {
 public:
  using Operator::Operator;
};

// One row per function: the tokenizer reads its name, the parser its factory,
// the compiler its operation.
struct FunctionRule {
  const char* name;
  signed char code;
  Node (*make)(Node argument);
  mask::Program::Code operation;
};

// The row of a name (matched exactly) or of a token code; null when none.
const FunctionRule* findFunction(const char* begin, const char* end);
const FunctionRule* findFunction(signed char code);
