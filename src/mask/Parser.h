#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mask/Expression.h"
#include "mask/Tokenizer.h"

class ExpressionStore;

// The recursive parser of the mask language. Every operator, prefix operator,
// function and bracket is a row of one table of binding levels; names must be
// bound in the store when they are read.
class Parser {
 public:
  explicit Parser(ExpressionStore& store) : store_(store) {}

  // Parses a whole text and moves the cursor past what was read.
  int parse(TextCursor& cursor, Node& result);

 private:
  // What one level has built so far.
  struct Level {
    TextCursor& cursor;
    Node& result;
    int depth;
    int height;  // of the tree in result
    signed char previous;
    signed char code;
  };
  // kFirst: only when nothing was built yet at this level.
  enum Position { kFirst, kAny };
  // An operator is put back when the current level is below stop (0: never);
  // otherwise its operand is parsed at level operand and parse builds the node.
  // Equal stop and operand group to the right, operand = stop - 1 to the left.
  struct Rule {
    signed char code;
    Position position;
    int stop;
    int operand;
    int (Parser::*parse)(const Rule& rule, Level& at);
    Node (*make)(Node left, Node right);
  };
  static const Rule kRules[];
  static const Rule* findRule(signed char code, bool afterOperand);

  // Records where and why the text is malformed; gives s.
  int error(int s, const char* at, const std::string& why) const;
  static std::string unexpected(const Token& token);

  int parseLevel(TextCursor& cursor, Node& result, int level, int depth, int& height);
  int parseOperand(const Token& token, Node& node);

  int nest(const Rule& rule, Level& at);
  int assign(const Rule& rule, Level& at);
  int function(const Rule& rule, Level& at);
  int group(const Rule& rule, Level& at);
  int conditional(const Rule& rule, Level& at);

  // Pairs every '(' with its ')' and every '?' with its ':' in one pass.
  void pairBrackets(const char* begin, const char* end);
  // The ')' or ':' that closes the '(' or '?' at open, if it lies before end.
  const char* closing(const char* open, const char* end) const;

  ExpressionStore& store_;
  const char* start_ = nullptr;  // of the whole text, for positions
  // By offset from start_: where the bracket opened there closes, or -1. Found
  // once, so that each nesting level does not scan the rest of the text again.
  std::vector<int64_t> closeOf_;
};
