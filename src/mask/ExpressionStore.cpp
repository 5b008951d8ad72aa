#include "mask/ExpressionStore.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "mask/AddExpression.h"
#include "mask/AndExpression.h"
#include "mask/AssignExpression.h"
#include "mask/BitAndExpression.h"
#include "mask/BitExpression.h"
#include "mask/BitOrExpression.h"
#include "mask/BoolExpression.h"
#include "mask/CharExpression.h"
#include "mask/DifferentExpression.h"
#include "mask/DivExpression.h"
#include "mask/DoubleExpression.h"
#include "mask/EqualityExpression.h"
#include "mask/GreaterEqualExpression.h"
#include "mask/GreaterExpression.h"
#include "mask/HexaToAsciiExpression.h"
#include "mask/HexaToDecExpression.h"
#include "mask/HexaToStringExpression.h"
#include "mask/IfExpression.h"
#include "mask/LessEqualExpression.h"
#include "mask/LessExpression.h"
#include "mask/LongExpression.h"
#include "mask/MultExpression.h"
#include "mask/NegativeExpression.h"
#include "mask/NotExpression.h"
#include "mask/OrExpression.h"
#include "mask/StringToLongExpression.h"
#include "mask/SubExpression.h"
#include "mask/ValueConversion.h"
#include "mask/VariableExpression.h"
#include "platform/Limits.h"

namespace {

using Node = std::unique_ptr<Expression>;

// Binding levels. A whole text, a parenthesised group and a function argument
// are parsed at kWholeText; the parts of a conditional at kConditional.
constexpr int kWholeText = 100;
constexpr int kConditional = 95;
// The operand of unary '-' and '!': takes '&' and '|' but not '*' or anything looser.
constexpr int kUnaryOperand = 30;

template <class T>
Node makeBinary(Node left, Node right) {
  return std::make_unique<T>(std::move(left), std::move(right));
}

// An operator is put back (its length in characters) when the current level
// is below stop; otherwise its right operand is parsed at level right. Equal
// stop and right group to the right, right = stop - 1 groups to the left.
// Stored masks are written against exactly these levels.
struct OperatorRule {
  signed char code;
  int length;
  int stop;
  int right;
  Node (*make)(Node, Node);
};

constexpr OperatorRule kOperators[] = {
    {'#', 1, 20, 20, makeBinary<BitExpression>},
    {'&', 1, 30, 29, makeBinary<BitAndExpression>},
    {'|', 1, 30, 29, makeBinary<BitOrExpression>},
    {'*', 1, 40, 39, makeBinary<MultExpression>},
    {'/', 1, 40, 39, makeBinary<DivExpression>},
    {'-', 1, 50, 50, makeBinary<SubExpression>},
    {'+', 1, 60, 60, makeBinary<AddExpression>},
    {'<', 1, 90, 90, makeBinary<LessExpression>},
    {'>', 1, 90, 90, makeBinary<GreaterExpression>},
    {token::kLessEqual, 2, 90, 90, makeBinary<LessEqualExpression>},
    {token::kGreaterEqual, 2, 90, 90, makeBinary<GreaterEqualExpression>},
    {token::kEqual, 2, 90, 90, makeBinary<EqualityExpression>},
    {token::kDifferent, 2, 90, 90, makeBinary<DifferentExpression>},
    {token::kAnd, 2, 90, 90, makeBinary<AndExpression>},
    {token::kOr, 2, 90, 90, makeBinary<OrExpression>},
    {'=', 1, 95, 100, makeBinary<AssignExpression>},
};

const OperatorRule* findOperator(signed char code) {
  for (const OperatorRule& rule : kOperators)
    if (rule.code == code) return &rule;
  return nullptr;
}

Node makeFunction(signed char code, Node argument) {
  switch (code) {
    case token::kHexaToDec:
      return std::make_unique<HexaToDecExpression>(std::move(argument));
    case token::kHexaToAscii:
      return std::make_unique<HexaToAsciiExpression>(std::move(argument));
    case token::kHexaToString:
      return std::make_unique<HexaToStringExpression>(std::move(argument));
    default:
      return std::make_unique<StringToLongExpression>(std::move(argument));
  }
}

bool isFunction(signed char code) {
  return code == token::kHexaToDec || code == token::kHexaToAscii || code == token::kHexaToString ||
         code == token::kStringToLong;
}

// The ')' closing a '(' just before from; quotes are not special.
const char* matchingParenthesis(const char* from, const char* end) {
  int open = 1;
  for (const char* p = from; p < end; ++p) {
    if (*p == '(') ++open;
    if (*p == ')' && --open == 0) return p;
  }
  return nullptr;
}

// The ':' matching a '?' just before from; quotes and parentheses are not special.
const char* matchingColon(const char* from, const char* end) {
  int open = 1;
  for (const char* p = from; p < end; ++p) {
    if (*p == '?') ++open;
    if (*p == ':' && --open == 0) return p;
  }
  return nullptr;
}

// Trees deeper than the limit would make evaluation, copying and deletion
// recurse past what a connection thread's stack is sized for.
bool tooDeep(int height) {
  return height > limits::kMaxExpressionDepth;
}

}  // namespace

ExpressionStore::ExpressionStore() {
  map_.open(32);
}

ExpressionStore::~ExpressionStore() {
  for (Map::iterator it = map_.begin(); it != map_.end(); ++it) delete (*it).int_id_;
  map_.close();
}

int ExpressionStore::setVariable(const char* name, long value, int bitWidth) {
  if (name == nullptr) return status::kMissingOperand;
  // A mask value is 32 bits wide whatever the host's long is.
  const auto low = static_cast<int32_t>(static_cast<uint32_t>(value));
  rebind(name, std::make_unique<LongExpression>(low, bitWidth));
  return status::kOk;
}

Expression* ExpressionStore::find(const char* text) const {
  Expression* node = nullptr;
  // A key over the caller's bytes: a lookup copies nothing.
  const ACE_CString key(text, nullptr, false);
  return map_.find(key, node) == 0 ? node : nullptr;
}

int ExpressionStore::rebind(const char* text, std::unique_ptr<Expression> node) {
  if (!node) return status::kMissingOperand;
  Expression* old = nullptr;
  const int bound = map_.rebind(ACE_CString(text, nullptr, false), node.get(), old);
  if (bound < 0) return status::kUnsupported;
  node.release();
  if (bound == 1) delete old;
  return status::kOk;
}

// Cache rule: a text is parsed once; its tree (even an empty one) is kept
// under the exact text, and a failed parse leaves nothing behind.
int ExpressionStore::getExpression(const char* text, Expression*& tree) {
  tree = nullptr;
  if (text == nullptr) return status::kOk;
  const ACE_CString key(text, nullptr, false);
  if (map_.find(key, tree) == 0) return status::kOk;
  TextCursor cursor{text, text + std::strlen(text)};
  Node root;
  const int s = parse(cursor, root, kWholeText);
  if (s < 0) return s;
  if (map_.bind(key, root.get()) != 0) return status::kUnsupported;
  tree = root.release();
  return status::kOk;
}

// Parse rule entry: a fresh nesting count for each text.
int ExpressionStore::parse(TextCursor& cursor, std::unique_ptr<Expression>& result, int level) {
  int height = 0;
  return parseLevel(cursor, result, level, 1, height);
}

// Operand rule: a name must be bound now; literals become value nodes.
int ExpressionStore::parseOperand(const Token& token, std::unique_ptr<Expression>& node) {
  switch (token.code) {
    case token::kName: {
      const std::string name(token.begin, token.end);
      if (find(name.c_str()) == nullptr) return status::kUndefinedVariable;
      node = std::make_unique<VariableExpression>(name.c_str(), this);
      break;
    }
    case token::kInteger:
      node = std::make_unique<LongExpression>(mask::readDec32(token.begin, token.end), 32);
      break;
    case token::kReal:
      node = std::make_unique<DoubleExpression>(mask::readReal(token.begin, token.end));
      break;
    case token::kTrue:
      node = std::make_unique<BoolExpression>(true);
      break;
    case token::kFalse:
      node = std::make_unique<BoolExpression>(false);
      break;
    default:
      node = std::make_unique<CharExpression>(std::string(token.begin, token.end));
      break;
  }
  return status::kOk;
}

// Level rule: operands and operators up to the end of the text, or up to an
// operator that binds looser than this level, which is put back for the
// caller. height is the height of the tree built so far.
int ExpressionStore::parseLevel(TextCursor& cursor, std::unique_ptr<Expression>& result, int level,
                                int depth, int& height) {
  result.reset();
  height = 0;
  if (depth > limits::kMaxExpressionDepth) return status::kSyntaxError;
  Token token;
  signed char previous = token::kEnd;
  for (;;) {
    const signed char code = Tokenizer::nextToken(cursor, token);
    int s = status::kOk;
    switch (code) {
      case token::kEnd:
        return status::kOk;

      case token::kName:
      case token::kInteger:
      case token::kReal:
      case token::kTrue:
      case token::kFalse:
      case token::kText: {
        // An operand right after another one is dropped (after its lookup).
        Node node;
        s = parseOperand(token, node);
        if (s < 0) return s;
        if (!result) {
          result = std::move(node);
          height = 1;
        }
        break;
      }

      case '(': {
        // A group replaces whatever this level built; an unclosed one ends the text.
        if (previous == token::kInteger) return status::kSyntaxError;
        const char* close = matchingParenthesis(cursor.pos, cursor.end);
        if (close == nullptr) {
          cursor.pos = cursor.end;
          break;
        }
        TextCursor inner{cursor.pos, close};
        cursor.pos = close + 1;
        s = parseLevel(inner, result, kWholeText, depth + 1, height);
        if (s < 0) return s;
        break;
      }

      case '-':
      case '!': {
        if (result) {
          if (code == '!') break;  // a '!' after an operand is ignored
        } else {
          // Unary: the operand is parsed at kUnaryOperand whatever this level is.
          Node operand;
          int operandHeight = 0;
          s = parseLevel(cursor, operand, kUnaryOperand, depth + 1, operandHeight);
          if (s < 0) return s;
          if (tooDeep(operandHeight + 1)) return status::kSyntaxError;
          if (code == '-')
            result = std::make_unique<NegativeExpression>(std::move(operand));
          else
            result = std::make_unique<NotExpression>(std::move(operand));
          height = operandHeight + 1;
          break;
        }
        [[fallthrough]];
      }

      default: {
        if (isFunction(code)) {
          // A function name is followed at once by its parenthesised argument.
          if (cursor.pos >= cursor.end || *cursor.pos != '(') return status::kSyntaxError;
          const char* close = matchingParenthesis(cursor.pos + 1, cursor.end);
          if (close == nullptr) return status::kSyntaxError;
          TextCursor inner{cursor.pos + 1, close};
          cursor.pos = close + 1;
          Node argument;
          int argumentHeight = 0;
          s = parseLevel(inner, argument, kWholeText, depth + 1, argumentHeight);
          if (s < 0) return s;
          if (tooDeep(argumentHeight + 1)) return status::kSyntaxError;
          result = makeFunction(code, std::move(argument));
          height = argumentHeight + 1;
          break;
        }
        if (code == '?') {
          // Conditional: everything so far is the condition; the then-part
          // runs to the matching ':', the else-part to the end of this text.
          if (level < kConditional) {
            cursor.pos -= 1;
            return status::kOk;
          }
          const char* colon = matchingColon(cursor.pos, cursor.end);
          TextCursor thenPart{cursor.pos, colon != nullptr ? colon : cursor.end};
          Node then;
          Node otherwise;
          int thenHeight = 0;
          int elseHeight = 0;
          s = parseLevel(thenPart, then, kConditional, depth + 1, thenHeight);
          if (s < 0) return s;
          cursor.pos = thenPart.end;
          if (colon != nullptr) {
            cursor.pos = colon + 1;
            s = parseLevel(cursor, otherwise, kConditional, depth + 1, elseHeight);
            if (s < 0) return s;
          }
          const int h = 1 + std::max({height, thenHeight, elseHeight});
          if (tooDeep(h)) return status::kSyntaxError;
          result = std::make_unique<IfExpression>(std::move(result), std::move(then),
                                                  std::move(otherwise));
          height = h;
          break;
        }
        const OperatorRule* rule = findOperator(code);
        // ')', ':', malformed numbers, unterminated texts or names, unknown
        // functions and a dangling "r " prefix.
        if (rule == nullptr) return status::kSyntaxError;
        if (level < rule->stop) {
          cursor.pos -= rule->length;
          return status::kOk;
        }
        if (code == '=' && (!result || result->getKind() != kind::kVariable))
          return status::kUnsupported;
        Node right;
        int rightHeight = 0;
        s = parseLevel(cursor, right, rule->right, depth + 1, rightHeight);
        if (s < 0) return s;
        const int h = 1 + std::max(height, rightHeight);
        if (tooDeep(h)) return status::kSyntaxError;
        result = rule->make(std::move(result), std::move(right));
        height = h;
        break;
      }
    }
    previous = code;
  }
}
