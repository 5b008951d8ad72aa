#include "mask/Parser.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "mask/ArithmeticExpression.h"
#include "mask/AssignExpression.h"
#include "mask/BitwiseExpression.h"
#include "mask/ComparisonExpression.h"
#include "mask/ExpressionStore.h"
#include "mask/FunctionExpression.h"
#include "mask/IfExpression.h"
#include "mask/LogicalExpression.h"
#include "mask/UnaryExpression.h"
#include "mask/ValueConversion.h"
#include "mask/ValueExpression.h"
#include "mask/VariableExpression.h"
#include "platform/Limits.h"

namespace {

// Binding levels. A whole text, a parenthesised group and a function argument
// are parsed at kWholeText; the parts of a conditional at kConditional.
constexpr int kWholeText = 100;
constexpr int kConditional = 95;
// The operand of unary '-' and '!': takes '&' and '|' but not '*' or anything looser.
constexpr int kUnaryOperand = 30;
// Functions and brackets are never put back.
constexpr int kNever = 0;
// Stands for every function name in the table below.
constexpr signed char kAnyFunction = 127;

template <class T>
Node binary(Node left, Node right) {
  return std::make_unique<T>(std::move(left), std::move(right));
}

// A prefix operator has no left operand.
template <class T>
Node unary(Node, Node operand) {
  return std::make_unique<T>(std::move(operand));
}

bool isOperand(signed char code) {
  return code == token::kName || code == token::kInteger || code == token::kReal ||
         code == token::kTrue || code == token::kFalse || code == token::kText;
}

}  // namespace

// Stored masks are written against exactly these levels.
const Parser::Rule Parser::kRules[] = {
    {'-', kFirst, kNever, kUnaryOperand, &Parser::nest, unary<NegativeExpression>},
    {'!', kFirst, kNever, kUnaryOperand, &Parser::nest, unary<NotExpression>},
    {'!', kAny, kNever, kNever, nullptr, nullptr},  // after an operand: ignored
    {'#', kAny, 20, 20, &Parser::nest, binary<BitExpression>},
    {'&', kAny, 30, 29, &Parser::nest, binary<BitAndExpression>},
    {'|', kAny, 30, 29, &Parser::nest, binary<BitOrExpression>},
    {'*', kAny, 40, 39, &Parser::nest, binary<MultExpression>},
    {'/', kAny, 40, 39, &Parser::nest, binary<DivExpression>},
    {'-', kAny, 50, 50, &Parser::nest, binary<SubExpression>},
    {'+', kAny, 60, 60, &Parser::nest, binary<AddExpression>},
    {'<', kAny, 90, 90, &Parser::nest, binary<LessExpression>},
    {'>', kAny, 90, 90, &Parser::nest, binary<GreaterExpression>},
    {token::kLessEqual, kAny, 90, 90, &Parser::nest, binary<LessEqualExpression>},
    {token::kGreaterEqual, kAny, 90, 90, &Parser::nest, binary<GreaterEqualExpression>},
    {token::kEqual, kAny, 90, 90, &Parser::nest, binary<EqualityExpression>},
    {token::kDifferent, kAny, 90, 90, &Parser::nest, binary<DifferentExpression>},
    {token::kAnd, kAny, 90, 90, &Parser::nest, binary<AndExpression>},
    {token::kOr, kAny, 90, 90, &Parser::nest, binary<OrExpression>},
    {'=', kAny, 95, kWholeText, &Parser::assign, binary<AssignExpression>},
    {'?', kAny, kConditional, kConditional, &Parser::conditional, nullptr},
    {'(', kAny, kNever, kWholeText, &Parser::group, nullptr},
    {kAnyFunction, kAny, kNever, kWholeText, &Parser::function, nullptr},
};

// The first row of the code that applies: prefix rows only before an operand.
const Parser::Rule* Parser::findRule(signed char code, bool afterOperand) {
  if (findFunction(code) != nullptr) code = kAnyFunction;
  for (const Rule& rule : kRules)
    if (rule.code == code && !(afterOperand && rule.position == kFirst)) return &rule;
  return nullptr;
}

int Parser::error(int s, const char* at, const std::string& why) const {
  mask::fail("at character " + std::to_string(at - start_ + 1) + ": " + why);
  return s;
}

std::string Parser::unexpected(const Token& token) {
  const std::string text(token.begin, token.end);
  switch (token.code) {
    case token::kMalformedNumber:
      return "malformed number " + text;
    case token::kUnterminated:
      return "expected a closing quote or '$'";
    case token::kUnknownFunction:
      return "unknown function $" + text + "$";
    case token::kBadPrefix:
      return "expected a name or a number after 'r '";
    case ')':
      return "')' without '('";
    case ':':
      return "':' without '?'";
  }
  return "unexpected character";
}

// Parse rule entry: a fresh nesting count for each text.
int Parser::parse(TextCursor& cursor, Node& result) {
  start_ = cursor.pos;
  pairBrackets(cursor.pos, cursor.end);
  int height = 0;
  return parseLevel(cursor, result, kWholeText, 1, height);
}

// A close pairs with the latest open of its kind still unpaired, which is the
// one a count of opens and closes from that open would find. Quotes are not
// special, and neither are the other kind's brackets.
void Parser::pairBrackets(const char* begin, const char* end) {
  closeOf_.assign(static_cast<size_t>(end - begin), -1);
  std::vector<int64_t> parens;
  std::vector<int64_t> questions;
  const auto pair = [this](std::vector<int64_t>& opens, int64_t at) {
    if (opens.empty()) return;
    closeOf_[static_cast<size_t>(opens.back())] = at;
    opens.pop_back();
  };
  for (const char* p = begin; p < end; ++p) {
    const int64_t at = p - begin;
    if (*p == '(') parens.push_back(at);
    if (*p == ')') pair(parens, at);
    if (*p == '?') questions.push_back(at);
    if (*p == ':') pair(questions, at);
  }
}

const char* Parser::closing(const char* open, const char* end) const {
  const int64_t close = closeOf_[static_cast<size_t>(open - start_)];
  return close >= 0 && start_ + close < end ? start_ + close : nullptr;
}

// Operand rule: a name must be bound now; literals become value nodes.
int Parser::parseOperand(const Token& token, Node& node) {
  switch (token.code) {
    case token::kName: {
      const std::string name(token.begin, token.end);
      if (store_.find(name.c_str()) == nullptr)
        return error(status::kUndefinedVariable, token.begin, "no variable named " + name);
      node = std::make_unique<VariableExpression>(name.c_str(), &store_);
      break;
    }
    case token::kInteger:
      node = std::make_unique<LongExpression>(mask::readDec32(token.begin, token.end), 32);
      break;
    case token::kReal:
      node = std::make_unique<DoubleExpression>(mask::readReal(token.begin, token.end));
      break;
    case token::kTrue:
    case token::kFalse:
      node = std::make_unique<BoolExpression>(token.code == token::kTrue);
      break;
    default:
      node = std::make_unique<CharExpression>(std::string(token.begin, token.end));
      break;
  }
  return status::kOk;
}

// Level rule: operands and operators up to the end of the text, or up to an
// operator that binds looser than this level, which is put back for the caller.
int Parser::parseLevel(TextCursor& cursor, Node& result, int level, int depth, int& height) {
  result.reset();
  height = 0;
  if (depth > limits::kMaxExpressionDepth)
    return error(status::kSyntaxError, cursor.pos, "nested too deeply");
  Token token;
  Level at{cursor, result, depth, 0, token::kEnd, token::kEnd};
  for (;; at.previous = at.code) {
    at.code = Tokenizer::nextToken(cursor, token);
    if (at.code == token::kEnd) break;
    if (isOperand(at.code)) {
      // An operand right after another one is dropped (after its lookup).
      Node node;
      const int s = parseOperand(token, node);
      if (s < 0) return s;
      if (!result) {
        result = std::move(node);
        at.height = 1;
      }
      continue;
    }
    const Rule* rule = findRule(at.code, result != nullptr);
    // ')', ':', malformed numbers, unterminated texts or names, unknown
    // functions and a dangling "r " prefix.
    if (rule == nullptr) return error(status::kSyntaxError, token.begin, unexpected(token));
    if (level < rule->stop) {
      cursor.pos = token.begin;
      break;
    }
    const int s = rule->parse != nullptr ? (this->*rule->parse)(*rule, at) : status::kOk;
    if (s < 0) return s;
    // Higher trees would make evaluation, copying and deletion recurse past
    // what a connection thread's stack is sized for.
    if (at.height > limits::kMaxExpressionDepth)
      return error(status::kSyntaxError, token.begin, "nested too deeply");
  }
  height = at.height;
  return status::kOk;
}

// Nesting rule of infix and prefix operators: the operand on the right is
// parsed at the rule's level, whatever this level is, and the node is built
// over what this level built (nothing for a prefix operator) and that operand.
int Parser::nest(const Rule& rule, Level& at) {
  Node right;
  int height = 0;
  const int s = parseLevel(at.cursor, right, rule.operand, at.depth + 1, height);
  if (s < 0) return s;
  at.result = rule.make(std::move(at.result), std::move(right));
  at.height = 1 + std::max(at.height, height);
  return status::kOk;
}

// Assignment rule: the target must be a variable.
int Parser::assign(const Rule& rule, Level& at) {
  if (!at.result || at.result->getKind() != kind::kVariable)
    return error(status::kUnsupported, at.cursor.pos - 1, "expected a variable before '='");
  return nest(rule, at);
}

// Function rule: the name is followed at once by its parenthesised argument.
int Parser::function(const Rule& rule, Level& at) {
  TextCursor& cursor = at.cursor;
  if (cursor.pos >= cursor.end || *cursor.pos != '(')
    return error(status::kSyntaxError, cursor.pos, "expected '(' right after the function name");
  const char* close = closing(cursor.pos, cursor.end);
  if (close == nullptr)
    return error(status::kSyntaxError, cursor.pos, "expected ')' closing the function argument");
  TextCursor inner{cursor.pos + 1, close};
  cursor.pos = close + 1;
  Node argument;
  const int s = parseLevel(inner, argument, rule.operand, at.depth + 1, at.height);
  if (s < 0) return s;
  at.result = findFunction(at.code)->make(std::move(argument));
  at.height += 1;
  return status::kOk;
}

// Group rule: replaces whatever this level built; an unclosed group ends the text.
int Parser::group(const Rule& rule, Level& at) {
  if (at.previous == token::kInteger)
    return error(status::kSyntaxError, at.cursor.pos - 1,
                 "expected an operator between a number and '('");
  TextCursor& cursor = at.cursor;
  const char* close = closing(cursor.pos - 1, cursor.end);
  if (close == nullptr) {
    cursor.pos = cursor.end;
    return status::kOk;
  }
  TextCursor inner{cursor.pos, close};
  cursor.pos = close + 1;
  return parseLevel(inner, at.result, rule.operand, at.depth + 1, at.height);
}

// Conditional rule: everything so far is the condition; the then-part runs to
// the matching ':', the else-part to the end of this text.
int Parser::conditional(const Rule& rule, Level& at) {
  TextCursor& cursor = at.cursor;
  const char* colon = closing(cursor.pos - 1, cursor.end);
  TextCursor thenPart{cursor.pos, colon != nullptr ? colon : cursor.end};
  Node then;
  Node otherwise;
  int thenHeight = 0;
  int elseHeight = 0;
  int s = parseLevel(thenPart, then, rule.operand, at.depth + 1, thenHeight);
  if (s < 0) return s;
  cursor.pos = thenPart.end;
  if (colon != nullptr) {
    cursor.pos = colon + 1;
    s = parseLevel(cursor, otherwise, rule.operand, at.depth + 1, elseHeight);
    if (s < 0) return s;
  }
  at.result =
      std::make_unique<IfExpression>(std::move(at.result), std::move(then), std::move(otherwise));
  at.height = 1 + std::max({at.height, thenHeight, elseHeight});
  return status::kOk;
}
