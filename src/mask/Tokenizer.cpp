#include "mask/Tokenizer.h"

#include <cstdio>
#include <cstring>

#include "mask/FunctionExpression.h"
#include "mask/ValueConversion.h"

namespace {

bool isHexLetter(char c) {
  return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool equals(const char* begin, const char* end, const char* word) {
  const size_t n = std::strlen(word);
  return static_cast<size_t>(end - begin) == n && std::memcmp(begin, word, n) == 0;
}

constexpr char kSingleOperators[] = "!#&()*+-/:<=>?|";

}  // namespace

// Token rule: by the first character after the blanks.
signed char Tokenizer::nextToken(TextCursor& cursor, Token& token) {
  while (cursor.pos < cursor.end && isBlank(*cursor.pos)) ++cursor.pos;
  token.begin = token.end = cursor.pos;
  if (cursor.pos >= cursor.end) return token.code = token::kEnd;
  const char c = cursor.pos[0];
  const char next = cursor.pos + 1 < cursor.end ? cursor.pos[1] : '\0';

  static const struct {
    char first, second;
    signed char code;
  } kPairs[] = {{'<', '=', token::kLessEqual}, {'>', '=', token::kGreaterEqual},
                {'=', '=', token::kEqual},     {'!', '=', token::kDifferent},
                {'&', '&', token::kAnd},       {'|', '|', token::kOr}};
  for (const auto& pair : kPairs) {
    if (c == pair.first && next == pair.second) {
      cursor.pos += 2;
      return token.code = pair.code;
    }
  }

  // A function name between '$' signs, or a text literal between quotes.
  if (c == '$' || c == '\'' || c == '"') {
    const char* close = static_cast<const char*>(
        std::memchr(cursor.pos + 1, c, static_cast<size_t>(cursor.end - cursor.pos - 1)));
    if (close == nullptr) {
      cursor.pos = cursor.end;
      return token.code = token::kUnterminated;
    }
    token.begin = cursor.pos + 1;
    token.end = close;
    cursor.pos = close + 1;
    if (c != '$') return token.code = token::kText;
    const FunctionRule* function = findFunction(token.begin, token.end);
    return token.code = function != nullptr ? function->code : token::kUnknownFunction;
  }

  // "r " is a prefix that must be followed at once by a name or a number.
  if (c == 'r' && isBlank(next)) {
    cursor.pos += 2;
    if (cursor.pos < cursor.end && isNameStart(*cursor.pos)) return readName(cursor, token);
    if (cursor.pos < cursor.end && isDigit(*cursor.pos)) return readNumber(cursor, token);
    return token.code = token::kBadPrefix;
  }
  if (isNameStart(c)) return readName(cursor, token);
  if (isDigit(c)) return readNumber(cursor, token);

  if (std::strchr(kSingleOperators, c) != nullptr) {
    token.end = ++cursor.pos;
    return token.code = static_cast<signed char>(c);
  }
  // Anything else ends the text; the rest is ignored.
  cursor.pos = cursor.end;
  return token.code = token::kEnd;
}

// Name rule: the longest run of letters, digits and '_'; true and false are literals.
signed char Tokenizer::readName(TextCursor& cursor, Token& token) {
  token.begin = cursor.pos;
  while (cursor.pos < cursor.end && (isNameStart(*cursor.pos) || isDigit(*cursor.pos)))
    ++cursor.pos;
  token.end = cursor.pos;
  if (equals(token.begin, token.end, "true")) return token.code = token::kTrue;
  if (equals(token.begin, token.end, "false")) return token.code = token::kFalse;
  return token.code = token::kName;
}

// Number rule: the longest run of digits, '.', 'x' and hexadecimal letters; an
// exponent or a '.' makes it real, an 'x' switches to hexadecimal, and a
// leading "0x" literal becomes the decimal text of its value.
signed char Tokenizer::readNumber(TextCursor& cursor, Token& token) {
  bool hex = false;
  bool real = false;
  bool exponent = false;
  bool malformed = false;
  const char* p = cursor.pos;
  token.begin = p;
  while (p < cursor.end) {
    const char c = *p;
    if (!hex && (c == 'e' || c == 'E')) {
      if (exponent) malformed = true;
      exponent = real = true;
      ++p;
      if (p < cursor.end && (*p == '+' || *p == '-' || isDigit(*p))) ++p;
    } else if (c == '.') {
      if (exponent) malformed = true;
      real = true;
      ++p;
    } else if (c == 'x') {
      hex = true;
      ++p;
    } else if (isDigit(c)) {
      ++p;
    } else if (isHexLetter(c)) {
      if (!hex) malformed = true;
      ++p;
    } else {
      break;
    }
  }
  cursor.pos = token.end = p;
  if (malformed) return token.code = token::kMalformedNumber;
  if (hex && p - token.begin >= 2 && token.begin[0] == '0' && token.begin[1] == 'x') {
    const int n = std::snprintf(token.number, sizeof(token.number), "%d",
                                mask::readHex32(token.begin + 2, p));
    token.begin = token.number;
    token.end = token.number + n;
  }
  return token.code = real ? token::kReal : token::kInteger;
}
