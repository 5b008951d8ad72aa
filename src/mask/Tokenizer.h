#pragma once

// A position in a text and the end of the part being parsed: parenthesised
// groups and the parts of a conditional are parsed in place, without copies.
struct TextCursor {
  const char* pos;
  const char* end;
};

// Token codes of the mask language.
namespace token {
constexpr signed char kEnd = 0;
constexpr signed char kMalformedNumber = 1;
constexpr signed char kName = 2;
constexpr signed char kReal = 3;
constexpr signed char kInteger = 5;
constexpr signed char kTrue = 6;
constexpr signed char kFalse = 7;
constexpr signed char kLessEqual = 8;
constexpr signed char kGreaterEqual = 9;
constexpr signed char kEqual = 10;
constexpr signed char kDifferent = 11;
constexpr signed char kAnd = 12;
constexpr signed char kOr = 13;
constexpr signed char kHexaToDec = 14;
constexpr signed char kHexaToAscii = 15;
constexpr signed char kHexaToString = 16;
constexpr signed char kText = 17;
constexpr signed char kStringToLong = 18;
constexpr signed char kBadPrefix = 114;  // "r " not followed by a name or number
// Unterminated text or function name.
constexpr signed char kUnterminated = -2;
constexpr signed char kUnknownFunction = -3;
// Single-character operators are their own character code.
}  // namespace token

// One token: its code and its text (a name, a literal's characters, a number).
// Not copyable: begin may point into the token's own number buffer.
struct Token {
  Token() = default;
  Token(const Token&) = delete;
  Token& operator=(const Token&) = delete;

  signed char code = token::kEnd;
  const char* begin = nullptr;
  const char* end = nullptr;
  // Decimal text of a "0x" literal, which the token's text then points to.
  char number[16] = {};
};

// Splits mask text into tokens.
class Tokenizer {
 public:
  // Reads the token at the cursor and moves past it. Blanks (bytes 1 to 32
  // and 128 to 255) are skipped first. An unknown character ends the text.
  static signed char nextToken(TextCursor& cursor, Token& token);

  static bool isBlank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 1 && u <= 32) || u >= 128;
  }
  static bool isDigit(char c) { return c >= '0' && c <= '9'; }
  static bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
  }

 private:
  static signed char readName(TextCursor& cursor, Token& token);
  static signed char readNumber(TextCursor& cursor, Token& token);
};
